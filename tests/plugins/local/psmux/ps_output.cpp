#include "ps_output.h"

#include <cstdlib>

#include <gtest/gtest.h>

namespace pstest {

const std::vector<uint8_t> kDelimiter = {0x00, 0x00, 0x00, 0x01, 0x09, 0x30, 0x00, 0x00};

int32_t collect(const void* data, int32_t length, const PsFrameInfo* info, void* user) {
    auto* out = static_cast<Output*>(user);
    const auto* bytes = static_cast<const uint8_t*>(data);
    out->calls.emplace_back(bytes, bytes + length);
    out->infos.push_back(*info);
    return 0;
}

PackedFrame parseFrame(const std::vector<uint8_t>& bytes) {
    PackedFrame frame;
    size_t at = 0;
    auto startCode = [&](uint8_t id) {
        return at + 4 <= bytes.size() && bytes[at] == 0 && bytes[at + 1] == 0 && bytes[at + 2] == 1 &&
               bytes[at + 3] == id;
    };
    if (!startCode(0xBA) || bytes.size() < 14) {
        ADD_FAILURE() << "no pack header";
        return frame;
    }
    const size_t packSize = 14 + (bytes[13] & 7);
    frame.packHeader.assign(bytes.begin(), bytes.begin() + packSize);
    at = packSize;
    while (at < bytes.size()) {
        if (at + 6 > bytes.size() || bytes[at] != 0 || bytes[at + 1] != 0 || bytes[at + 2] != 1) {
            ADD_FAILURE() << "no start code at " << at;
            return frame;
        }
        const size_t size = 6 + ((size_t(bytes[at + 4]) << 8) | bytes[at + 5]);
        if (at + size > bytes.size()) {
            ADD_FAILURE() << "unit at " << at << " runs past the end";
            return frame;
        }
        if (bytes[at + 3] == 0xBC) {
            frame.map.assign(bytes.begin() + at, bytes.begin() + at + size);
        } else {
            Pes pes;
            pes.id = bytes[at + 3];
            pes.flags = bytes[at + 6];
            pes.ptsDts = bytes[at + 7];
            const size_t headerData = bytes[at + 8];
            pes.headerData.assign(bytes.begin() + at + 9, bytes.begin() + at + 9 + headerData);
            pes.payload.assign(bytes.begin() + at + 9 + headerData, bytes.begin() + at + size);
            pes.size = size;
            frame.pes.push_back(std::move(pes));
        }
        at += size;
    }
    return frame;
}

std::vector<uint8_t> hex(const std::string& text) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < text.size();) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        bytes.push_back(uint8_t(std::strtoul(text.substr(i, 2).c_str(), nullptr, 16)));
        i += 2;
    }
    return bytes;
}

std::vector<uint8_t> withoutNal(const std::vector<uint8_t>& frame, int type) {
    // start of every unit, its zero byte before a four-byte code included
    std::vector<size_t> starts;
    std::vector<size_t> headers;
    for (size_t i = 0; i + 3 < frame.size(); ++i) {
        if (frame[i] == 0 && frame[i + 1] == 0 && frame[i + 2] == 1) {
            starts.push_back(i > 0 && frame[i - 1] == 0 ? i - 1 : i);
            headers.push_back(i + 3);
            i += 2;
        }
    }
    std::vector<uint8_t> kept(frame.begin(), frame.begin() + long(starts.empty() ? frame.size() : starts[0]));
    for (size_t n = 0; n < starts.size(); ++n) {
        const size_t end = n + 1 < starts.size() ? starts[n + 1] : frame.size();
        if ((frame[headers[n]] & 0x1F) != type) {
            kept.insert(kept.end(), frame.begin() + long(starts[n]), frame.begin() + long(end));
        }
    }
    return kept;
}

}  // namespace pstest
