// Sequence parameter set reading: the Exp-Golomb fields of seq_parameter_set_data up to the frame
// cropping offsets. The bit reader stops at the end of the unit (reads past it fail the parse), so
// a truncated or hostile unit can never be read beyond its length.
#include <cstdint>
#include <cstring>

#include "video/h264_frame_path.h"

namespace {

class BitReader {
public:
    BitReader(const uint8_t* data, int length) : data_(data), bits_(int64_t{length} * 8) {}

    bool failed() const { return failed_; }

    uint32_t Bit() {
        if (position_ >= bits_) {
            failed_ = true;
            return 0;
        }
        const uint32_t bit = (data_[position_ >> 3] >> (7 - (position_ & 7))) & 1u;
        ++position_;
        return bit;
    }

    uint32_t Bits(int count) {
        uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            value = (value << 1) | Bit();
        }
        return value;
    }

    void Skip(int64_t count) { position_ += count; }

    // ue(v): at most 31 leading zeros, so the value fits in 32 bits.
    uint32_t Ue() {
        int zeros = 0;
        while (Bit() == 0) {
            if (failed_ || ++zeros > 31) {
                failed_ = true;
                return 0;
            }
        }
        if (zeros == 0) {
            return 0;
        }
        return static_cast<uint32_t>((uint64_t{1} << zeros) - 1 + Bits(zeros));
    }

    int64_t Se() {
        const uint32_t code = Ue();
        return (code & 1u) != 0 ? int64_t{(code + 1) / 2} : -int64_t{code / 2};
    }

private:
    const uint8_t* data_;
    int64_t bits_;
    int64_t position_ = 0;
    bool failed_ = false;
};

// Removes every 0x03 that follows two zero bytes; returns the new length.
int RemoveEmulationPrevention(uint8_t* nal, int length) {
    int out = 0;
    int zeros = 0;
    for (int in = 0; in < length; ++in) {
        const uint8_t byte = nal[in];
        if (zeros >= 2 && byte == 0x03) {
            zeros = 0;
            continue;
        }
        zeros = byte == 0 ? zeros + 1 : 0;
        nal[out++] = byte;
    }
    return out;
}

void SkipScalingList(BitReader& bits, int size) {
    int64_t last = 8;
    int64_t next = 8;
    for (int j = 0; j < size && !bits.failed(); ++j) {
        if (next != 0) {
            next = (last + bits.Se() + 256) % 256;
        }
        last = next == 0 ? last : next;
    }
}

// The profiles whose parameter sets carry chroma_format_idc and the bit depths: the High profiles
// (including High 4:4:4 Predictive, 244, and the withdrawn High 4:4:4, 144) and the scalable,
// multiview and stereo profiles.
bool HasChromaFormatFields(int profile) {
    switch (profile) {
        case 100:
        case 110:
        case 122:
        case 144:
        case 244:
        case 44:
        case 83:
        case 86:
        case 118:
        case 128:
        case 138:
        case 139:
        case 134:
        case 135:
            return true;
        default:
            return false;
    }
}

constexpr int64_t kMaxSide = 16384;  // larger pictures are not H.264 level-conformant anyway

}  // namespace

extern "C" int ParseSps(uint8_t* nal, int length, int* width, int* height) {
    *width = 0;
    *height = 0;
    if (nal == nullptr || length < 4) {
        return 0;
    }
    length = RemoveEmulationPrevention(nal, length);
    if ((nal[0] & 0x1F) != 7 || length < 4) {
        return 0;
    }
    const int profile = nal[1];
    BitReader bits(nal, length);
    bits.Skip(32);  // header, profile_idc, constraint flags, level_idc

    bits.Ue();                  // seq_parameter_set_id
    uint32_t chromaFormat = 1;  // 4:2:0 unless a high profile says otherwise
    if (HasChromaFormatFields(profile)) {
        chromaFormat = bits.Ue();
        if (chromaFormat == 3) {
            bits.Bit();  // separate_colour_plane_flag
        }
        bits.Ue();              // bit_depth_luma_minus8
        bits.Ue();              // bit_depth_chroma_minus8
        bits.Bit();             // qpprime_y_zero_transform_bypass_flag
        if (bits.Bit() != 0) {  // seq_scaling_matrix_present_flag
            const int lists = chromaFormat != 3 ? 8 : 12;
            for (int i = 0; i < lists && !bits.failed(); ++i) {
                if (bits.Bit() != 0) {
                    SkipScalingList(bits, i < 6 ? 16 : 64);
                }
            }
        }
    }
    bits.Ue();  // log2_max_frame_num_minus4
    const uint32_t pocType = bits.Ue();
    if (pocType == 0) {
        bits.Ue();  // log2_max_pic_order_cnt_lsb_minus4
    } else if (pocType == 1) {
        bits.Bit();  // delta_pic_order_always_zero_flag
        bits.Se();   // offset_for_non_ref_pic
        bits.Se();   // offset_for_top_to_bottom_field
        const uint32_t cycle = bits.Ue();
        for (uint32_t i = 0; i < cycle && !bits.failed(); ++i) {
            bits.Se();  // offset_for_ref_frame
        }
    }
    bits.Ue();   // max_num_ref_frames
    bits.Bit();  // gaps_in_frame_num_value_allowed_flag
    const int64_t widthInMbs = int64_t{bits.Ue()} + 1;
    const int64_t heightInMapUnits = int64_t{bits.Ue()} + 1;
    const int64_t frameMbsOnly = bits.Bit();
    if (frameMbsOnly == 0) {
        bits.Bit();  // mb_adaptive_frame_field_flag
    }
    bits.Bit();  // direct_8x8_inference_flag
    int64_t cropLeft = 0;
    int64_t cropRight = 0;
    int64_t cropTop = 0;
    int64_t cropBottom = 0;
    if (bits.Bit() != 0) {  // frame_cropping_flag
        cropLeft = bits.Ue();
        cropRight = bits.Ue();
        cropTop = bits.Ue();
        cropBottom = bits.Ue();
    }
    if (bits.failed()) {
        return 0;
    }
    // Crop offsets count in chroma samples (two luma samples in 4:2:0), and in field pairs for
    // interlaced coding.
    const int64_t cropUnitX = (chromaFormat == 1 || chromaFormat == 2) ? 2 : 1;
    const int64_t cropUnitY = (chromaFormat == 1 ? 2 : 1) * (2 - frameMbsOnly);
    const int64_t w = widthInMbs * 16 - cropUnitX * (cropLeft + cropRight);
    const int64_t h =
        (2 - frameMbsOnly) * heightInMapUnits * 16 - cropUnitY * (cropTop + cropBottom);
    if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) {
        return 0;
    }
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return 1;
}
