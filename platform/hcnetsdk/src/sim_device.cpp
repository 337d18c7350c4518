#include "sim_device.h"

#include <memory>
#include <stdexcept>

#include <json/json.h>

namespace hiksim {
namespace {

Json::Value parseJson(const std::string& text) {
    Json::CharReaderBuilder builder;
    builder["allowComments"] = true;
    builder["collectComments"] = false;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    if (!reader->parse(text.data(), text.data() + text.size(), &root, &errors)) {
        throw std::runtime_error("invalid JSON: " + errors);
    }
    return root;
}

std::string where(const SimDevice& d) {
    return "device \"" + d.key() + "\": ";
}

int32_t intField(const Json::Value& v, const char* name, int32_t fallback, int32_t lo, int32_t hi,
                 const std::string& context) {
    if (!v.isMember(name)) {
        return fallback;
    }
    const Json::Value& f = v[name];
    if (!f.isInt() || f.asInt() < lo || f.asInt() > hi) {
        throw std::runtime_error(context + "\"" + name + "\" must be an integer from " + std::to_string(lo) + " to " +
                                 std::to_string(hi));
    }
    return f.asInt();
}

std::shared_ptr<const PsSource> loadStream(const Json::Value& v, const char* name, const std::string& baseFolder,
                                           const std::string& context) {
    if (!v.isMember(name)) {
        return nullptr;
    }
    if (!v[name].isString()) {
        throw std::runtime_error(context + "\"" + name + "\" must be a file path");
    }
    std::string path = v[name].asString();
    if (!path.empty() && path[0] != '/' && !baseFolder.empty()) {
        path = baseFolder + "/" + path;
    }
    return PsSource::load(path);
}

ChannelStreams loadStreams(const Json::Value& v, const std::string& baseFolder, const std::string& context) {
    if (!v.isObject()) {
        throw std::runtime_error(context + "a channel must be an object with \"main\" and optionally \"sub\"");
    }
    ChannelStreams s;
    s.main = loadStream(v, "main", baseFolder, context);
    s.sub = loadStream(v, "sub", baseFolder, context);
    if (!s.main) {
        throw std::runtime_error(context + "a channel needs a \"main\" stream");
    }
    return s;
}

std::shared_ptr<SimDevice> readDevice(const Json::Value& v, const std::string& baseFolder) {
    if (!v.isObject() || !v["host"].isString() || v["host"].asString().empty()) {
        throw std::runtime_error("a device needs a \"host\" text");
    }
    auto d = std::make_shared<SimDevice>();
    d->host = v["host"].asString();
    d->port = intField(v, "port", 8000, 0, 65535, "device \"" + d->host + "\": ");
    const std::string ctx = where(*d);
    const Json::Value& users = v["users"];
    if (!users.isObject() || users.empty()) {
        throw std::runtime_error(ctx + "\"users\" must map at least one user name to a password");
    }
    for (const std::string& name : users.getMemberNames()) {
        if (!users[name].isString()) {
            throw std::runtime_error(ctx + "the password of \"" + name + "\" must be a text");
        }
        d->users[name] = users[name].asString();
    }
    if (v.isMember("serialNumber")) {
        d->serialNumber = v["serialNumber"].asString();
    }
    d->analogChannels = intField(v, "analogChannels", 0, 0, 255, ctx);
    d->firstAnalogChannel = intField(v, "firstAnalogChannel", 1, 0, 255, ctx);
    d->ipChannels = intField(v, "ipChannels", 0, 0, 65535, ctx);
    d->firstDigitalChannel = intField(v, "firstDigitalChannel", 33, 0, 0x7FFFFFFF - 65535, ctx);
    d->firstTalkChannel = intField(v, "firstTalkChannel", 1, 0, 255, ctx);
    if (v.isMember("pacing")) {
        const std::string pacing = v["pacing"].asString();
        if (pacing != "realtime" && pacing != "fast") {
            throw std::runtime_error(ctx + "\"pacing\" must be \"realtime\" or \"fast\"");
        }
        d->realTime = pacing == "realtime";
    }
    const Json::Value& channels = v["channels"];
    if (!channels.isNull() && !channels.isObject()) {
        throw std::runtime_error(ctx + "\"channels\" must be an object");
    }
    for (const std::string& name : channels.getMemberNames()) {
        if (name == "*") {
            d->anyChannel = loadStreams(channels[name], baseFolder, ctx);
            continue;
        }
        std::size_t used = 0;
        int number = -1;
        try {
            number = std::stoi(name, &used);
        } catch (const std::exception&) {
        }
        if (used != name.size() || number < 0) {
            throw std::runtime_error(ctx + "channel \"" + name + "\" is neither a channel number nor \"*\"");
        }
        if (!d->hasChannel(number)) {
            throw std::runtime_error(ctx + "channel " + name + " is outside the device's channels");
        }
        d->channels[number] = loadStreams(channels[name], baseFolder, ctx);
    }
    return d;
}

}  // namespace

bool SimDevice::hasChannel(int32_t channel) const {
    const bool analog = channel >= firstAnalogChannel && channel - firstAnalogChannel < analogChannels;
    const bool digital = int64_t(channel) >= firstDigitalChannel && int64_t(channel) - firstDigitalChannel < ipChannels;
    return analog || digital;
}

std::shared_ptr<const PsSource> SimDevice::stream(int32_t channel, uint32_t type) const {
    if (!hasChannel(channel)) {
        return nullptr;
    }
    auto it = channels.find(channel);
    const ChannelStreams& s = it != channels.end() ? it->second : anyChannel;
    return s.main ? s.stream(type) : nullptr;
}

std::vector<std::shared_ptr<SimDevice>> parseDeviceFile(const std::string& text, const std::string& baseFolder) {
    const Json::Value root = parseJson(text);
    if (!root.isObject() || !root["devices"].isArray()) {
        throw std::runtime_error("the file needs a \"devices\" array");
    }
    std::vector<std::shared_ptr<SimDevice>> devices;
    for (const Json::Value& v : root["devices"]) {
        devices.push_back(readDevice(v, baseFolder));
    }
    return devices;
}

std::shared_ptr<SimDevice> parseDevice(const std::string& text, const std::string& baseFolder) {
    return readDevice(parseJson(text), baseFolder);
}

}  // namespace hiksim
