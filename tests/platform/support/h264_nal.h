#pragma once

// NAL unit types of an Annex-B byte stream, in order.

#include <cstdint>
#include <vector>

namespace ovtest {

inline std::vector<int> nalTypes(const std::uint8_t* data, int size) {
    std::vector<int> types;
    for (int i = 0; i + 3 < size; ++i) {
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) {
            types.push_back(data[i + 3] & 0x1f);
            i += 3;
        }
    }
    return types;
}

inline bool startsWithStartCode(const std::uint8_t* data, int size) {
    return (size >= 4 && data[0] == 0 && data[1] == 0 && data[2] == 0 && data[3] == 1) ||
           (size >= 3 && data[0] == 0 && data[1] == 0 && data[2] == 1);
}

}  // namespace ovtest
