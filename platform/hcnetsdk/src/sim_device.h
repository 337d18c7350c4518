#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ps_source.h"

namespace hiksim {

// The streams of one channel. A channel without a sub stream sends its main
// stream for both.
struct ChannelStreams {
    std::shared_ptr<const PsSource> main;
    std::shared_ptr<const PsSource> sub;

    const std::shared_ptr<const PsSource>& stream(uint32_t type) const { return type == 1 && sub ? sub : main; }
};

// One simulated recorder as the JSON file describes it.
struct SimDevice {
    std::string host;
    int32_t port = 8000;
    std::map<std::string, std::string> users;  // name -> password
    std::string serialNumber;
    int32_t analogChannels = 0;
    int32_t firstAnalogChannel = 1;
    int32_t ipChannels = 0;
    int32_t firstDigitalChannel = 33;
    int32_t firstTalkChannel = 1;
    bool realTime = true;                        // pace by the packs' clock, else as fast as taken
    std::map<int32_t, ChannelStreams> channels;  // streams of particular channels
    ChannelStreams anyChannel;                   // streams of every other channel, may be empty

    std::string key() const { return host + ":" + std::to_string(port); }
    bool hasChannel(int32_t channel) const;
    // Null when the channel does not exist or has no stream.
    std::shared_ptr<const PsSource> stream(int32_t channel, uint32_t type) const;
};

// Reads recorders; relative stream paths are taken from baseFolder. Throws
// std::runtime_error with a readable reason.
std::vector<std::shared_ptr<SimDevice>> parseDeviceFile(const std::string& text, const std::string& baseFolder);
std::shared_ptr<SimDevice> parseDevice(const std::string& text, const std::string& baseFolder);

}  // namespace hiksim
