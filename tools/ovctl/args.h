#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace ovctl {

// A mistake on the command line; printed with the command's usage, exit code 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Options of one command. Each accessor consumes what it reads, so finish()
// can reject whatever is left over.
class Args {
public:
    explicit Args(std::vector<std::string> words) : words_(std::move(words)) {}

    bool flag(const std::string& name);
    std::optional<std::string> value(const std::string& name);
    std::string require(const std::string& name);
    std::optional<long long> number(const std::string& name);
    void finish() const;

private:
    std::vector<std::string> words_;
};

}  // namespace ovctl
