#include "sps_reader.h"

namespace psmux {

namespace {

// MSB-first bit reader that never reads past its end; running out sets a
// sticky failure instead.
class BitReader {
public:
    BitReader(const uint8_t* data, size_t length) : data_(data), bits_(length * 8) {}

    bool failed() const { return failed_; }

    uint32_t bit() {
        if (pos_ >= bits_) {
            failed_ = true;
            return 0;
        }
        const uint32_t value = (data_[pos_ >> 3] >> (7 - (pos_ & 7))) & 1;
        ++pos_;
        return value;
    }

    void skip(size_t count) {
        if (bits_ - pos_ < count) {
            failed_ = true;
            pos_ = bits_;
            return;
        }
        pos_ += count;
    }

    // Unsigned Exp-Golomb code; signed codes are skipped with it too, having
    // the same length.
    uint64_t ue() {
        int zeros = 0;
        while (!failed_ && bit() == 0) {
            // a code longer than 32 bits is no valid SPS field
            if (++zeros > 32) {
                failed_ = true;
            }
        }
        if (failed_) {
            return 0;
        }
        uint64_t value = 0;
        for (int i = 0; i < zeros; ++i) {
            value = (value << 1) | bit();
        }
        return (uint64_t(1) << zeros) - 1 + value;
    }

private:
    const uint8_t* data_;
    size_t bits_;
    size_t pos_ = 0;
    bool failed_ = false;
};

bool hasChromaFields(uint32_t profile) {
    return profile == 100 || profile == 110 || profile == 122 || profile == 144;
}

}  // namespace

bool readSpsSize(const uint8_t* nal, size_t length, SpsSize* size) {
    if (length < 2) {
        return false;
    }
    const uint32_t profile = nal[1];
    BitReader in(nal + 1, length - 1);
    in.skip(24);  // profile_idc, constraint flags, level_idc
    in.ue();      // seq_parameter_set_id
    if (hasChromaFields(profile)) {
        if (in.ue() == 3) {  // chroma_format_idc
            in.skip(1);      // separate_colour_plane_flag
        }
        in.ue();         // bit_depth_luma_minus8
        in.ue();         // bit_depth_chroma_minus8
        in.skip(1);      // qpprime_y_zero_transform_bypass_flag
        if (in.bit()) {  // seq_scaling_matrix_present_flag
            in.skip(8);
        }
    }
    in.ue();  // log2_max_frame_num_minus4
    const uint64_t pocType = in.ue();
    if (pocType == 0) {
        in.ue();  // log2_max_pic_order_cnt_lsb_minus4
    } else if (pocType == 1) {
        in.skip(1);  // delta_pic_order_always_zero_flag
        in.ue();     // offset_for_non_ref_pic
        in.ue();     // offset_for_top_to_bottom_field
        const uint64_t cycle = in.ue();
        // every code takes at least one bit, so a bogus count ends with the data
        for (uint64_t i = 0; i < cycle && !in.failed(); ++i) {
            in.ue();
        }
    }
    in.ue();     // max_num_ref_frames
    in.skip(1);  // gaps_in_frame_num_value_allowed_flag
    const uint64_t widthInMbs = in.ue() + 1;
    const uint64_t heightInMapUnits = in.ue() + 1;
    if (in.failed()) {
        return false;
    }
    size->width = uint32_t(widthInMbs * 16);
    size->height = uint32_t(heightInMapUnits * 16);
    return true;
}

}  // namespace psmux
