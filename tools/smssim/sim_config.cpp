#include "sim_config.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include <json/json.h>

namespace smssim {
namespace {

void need(bool ok, const std::string& what) {
    if (!ok) {
        throw std::runtime_error("configuration: " + what);
    }
}

std::string text(const Json::Value& v, const char* key, const std::string& fallback) {
    if (!v.isMember(key)) {
        return fallback;
    }
    need(v[key].isString(), std::string("\"") + key + "\" must be a string");
    return v[key].asString();
}

int64_t number(const Json::Value& v, const char* key, int64_t fallback) {
    if (!v.isMember(key)) {
        return fallback;
    }
    need(v[key].isIntegral(), std::string("\"") + key + "\" must be an integer");
    return v[key].asInt64();
}

bool flag(const Json::Value& v, const char* key, bool fallback) {
    if (!v.isMember(key)) {
        return fallback;
    }
    need(v[key].isBool(), std::string("\"") + key + "\" must be true or false");
    return v[key].asBool();
}

RetcodeFault faultOf(const std::string& name) {
    if (name == "none") {
        return RetcodeFault::None;
    }
    if (name == "missing") {
        return RetcodeFault::Missing;
    }
    need(name == "wrongType", "\"retcodeFault\" is one of none, missing, wrongType");
    return RetcodeFault::WrongType;
}

}  // namespace

SimConfig parseSimConfig(const std::string& json, SimConfig config) {
    Json::CharReaderBuilder builder;
    builder["allowComments"] = true;
    Json::Value root;
    std::string errors;
    std::istringstream in(json);
    need(Json::parseFromStream(builder, in, &root, &errors), errors);
    need(root.isObject(), "the top level must be an object");

    config.bind = text(root, "bind", config.bind);
    const int64_t port = number(root, "port", config.port);
    need(port >= 0 && port <= 65535, "\"port\" must be 0 to 65535");
    config.port = static_cast<uint16_t>(port);
    config.badLoginCode = static_cast<int32_t>(number(root, "badLoginCode", config.badLoginCode));
    config.refuseLogin = static_cast<int32_t>(number(root, "refuseLogin", config.refuseLogin));
    config.heartbeatAnswers = flag(root, "heartbeat", config.heartbeatAnswers);
    if (root.isMember("users")) {
        need(root["users"].isArray(), "\"users\" must be an array");
        config.users.clear();
        for (const Json::Value& u : root["users"]) {
            need(u.isObject(), "each user is an object");
            config.users.push_back(SimUser{text(u, "username", ""), text(u, "password", "")});
        }
    }
    if (root.isMember("db")) {
        const Json::Value& db = root["db"];
        need(db.isObject(), "\"db\" must be an object");
        config.db.addr = text(db, "dbaddr", config.db.addr);
        config.db.name = text(db, "dbname", config.db.name);
        config.db.user = text(db, "dbusername", config.db.user);
        config.db.password = text(db, "dbpassword", config.db.password);
        if (db.isMember("dbport") && db["dbport"].isIntegral()) {
            config.db.port = std::to_string(db["dbport"].asInt64());
            config.db.portAsInt32 = true;
        } else {
            config.db.port = text(db, "dbport", config.db.port);
        }
    }
    if (root.isMember("records")) {
        need(root["records"].isArray(), "\"records\" must be an array");
        config.records.clear();
        for (const Json::Value& r : root["records"]) {
            need(r.isObject(), "each record is an object");
            SimRecord record;
            record.st = text(r, "st", "");
            record.et = text(r, "et", "");
            record.size = number(r, "size", 0);
            record.sizeAsInt32 = flag(r, "sizeAsInt32", false);
            config.records.push_back(record);
        }
    }
    if (root.isMember("answers")) {
        const Json::Value& answers = root["answers"];
        need(answers.isObject(), "\"answers\" must be an object keyed by fcode");
        for (const std::string& key : answers.getMemberNames()) {
            const Json::Value& a = answers[key];
            need(a.isObject(), "each answer script is an object");
            int32_t fcode = 0;
            try {
                fcode = std::stoi(key);
            } catch (const std::exception&) {
                need(false, "answer keys are function codes, not \"" + key + "\"");
            }
            AnswerScript& script = config.answers[fcode];
            script.delayMs = static_cast<int>(number(a, "delayMs", script.delayMs));
            if (a.isMember("retcode")) {
                script.retcodeSet = true;
                script.retcode = static_cast<int32_t>(number(a, "retcode", 0));
            }
            script.fault = faultOf(text(a, "retcodeFault", "none"));
        }
    }
    return config;
}

SimConfig loadSimConfig(const std::string& path, SimConfig base) {
    std::ifstream in(path);
    need(static_cast<bool>(in), "cannot read " + path);
    std::ostringstream all;
    all << in.rdbuf();
    return parseSimConfig(all.str(), std::move(base));
}

}  // namespace smssim
