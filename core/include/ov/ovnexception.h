#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

#include <ov/export.h>

namespace OV {

// The error of the device-access layer. Callers read message() and code();
// what() is left as the standard class has it. Messages meant for people are GBK.
class OV_VISIBLE ovnexception : public std::exception {
public:
    virtual const char* message() const = 0;
    virtual int32_t code() const = 0;
};

// Header-only on purpose: every library that throws carries its own copy.
class OV_VISIBLE ovnexception_imp : public ovnexception {
public:
    ovnexception_imp(int32_t code, std::string message) : code_(code), message_(std::move(message)) {}

    const char* message() const override { return message_.c_str(); }
    int32_t code() const override { return code_; }

private:
    int32_t code_;
    std::string message_;
};

// Codes raised by the facade.
enum : int32_t {
    OVN_VENDOR_FAILURE = -1,
    OVN_UNKNOWN_TYPE = -3001,
    OVN_NO_OPERATION = -3002,
    OVN_NO_DECODER = -3005,
};

}  // namespace OV
