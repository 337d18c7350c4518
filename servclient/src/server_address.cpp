#include "server_address.h"

#include <cctype>

namespace sms {

uint16_t port16Of(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // unsigned arithmetic wraps instead of overflowing; only the low 16 bits count
    uint32_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10u + static_cast<uint32_t>(text[i] - '0');
    }
    return static_cast<uint16_t>(negative ? 0u - value : value);
}

boost::asio::ip::tcp::endpoint parseServerAddress(const std::string& address) {
    const std::size_t colon = address.rfind(':');
    const std::string host = colon == std::string::npos ? address : address.substr(0, colon);
    const std::string portText = colon == std::string::npos ? std::string(kDefaultPortText) : address.substr(colon + 1);
    return boost::asio::ip::tcp::endpoint(boost::asio::ip::make_address(host), port16Of(portText));
}

}  // namespace sms
