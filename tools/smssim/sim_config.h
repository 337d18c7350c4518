#pragma once

// What the simulated management server knows and how it answers. Everything
// here can also be changed while the server runs (SimServer's setters).

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace smssim {

struct SimUser {
    std::string name;
    std::string password;
};

// One entry of a record-search answer.
struct SimRecord {
    std::string st;  // "YYYY-MM-DD hh:mm:ss"
    std::string et;
    int64_t size = 0;
    bool sizeAsInt32 = false;  // a malformed entry: "size" as int32 ends the client's list
};

struct SimDb {
    std::string addr = "127.0.0.1";
    std::string name = "ovdb";
    std::string user = "sa";
    std::string password = "secret";
    std::string port = "1433";
    bool portAsInt32 = false;  // send "dbport" as an int32 element instead of text
};

enum class RetcodeFault { None, Missing, WrongType };

// How the server answers one function code.
struct AnswerScript {
    int delayMs = 0;  // -1: never answer
    bool retcodeSet = false;
    int32_t retcode = 0;  // replaces the computed result when retcodeSet
    RetcodeFault fault = RetcodeFault::None;
    // Pads the answer document with a binary element to exactly this many
    // bytes (0: no padding).
    uint32_t padTo = 0;
    // When set, these bytes go out instead of the answer, as they are.
    bool rawSet = false;
    std::vector<uint8_t> raw;
};

struct SimConfig {
    std::string bind = "127.0.0.1";
    uint16_t port = 0;  // 0: any free port (kept across restarts)
    std::vector<SimUser> users{{"admin", "12345"}};
    int32_t badLoginCode = 1;  // retcode for an unknown user or a wrong password
    int32_t refuseLogin = 0;   // non-zero: every login is refused with this code
    bool heartbeatAnswers = true;
    SimDb db;
    std::vector<SimRecord> records;
    std::map<int32_t, AnswerScript> answers;  // by fcode
    bool recordRequests = true;               // off for long runs (benchmarks): the record grows with every frame
};

// Reads a JSON configuration (comments allowed) over the defaults; throws
// std::runtime_error with the reason.
SimConfig loadSimConfig(const std::string& path, SimConfig base = SimConfig());
SimConfig parseSimConfig(const std::string& json, SimConfig base = SimConfig());

}  // namespace smssim
