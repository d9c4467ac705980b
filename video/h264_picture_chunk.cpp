// Picture borders from the NAL header byte and, for slices, the first bit of the slice header:
// first_mb_in_slice is ue(v), so the bit is 1 exactly when the slice starts at macroblock 0.
#include "video/h264_picture_chunk.h"

namespace vyr {
namespace {

constexpr int kStartCodeBytes = 4;

enum NalType : int {
    kSliceNonIdr = 1,
    kSlicePartitionA = 2,
    kSliceIdr = 5,
    kSei = 6,
    kDelimiter = 9,
};

bool IsSlice(int type) {
    return type == kSliceNonIdr || type == kSlicePartitionA || type == kSliceIdr;
}

}  // namespace

bool IsSliceUnit(const uint8_t* unit, int length) {
    return length > kStartCodeBytes && IsSlice(unit[kStartCodeBytes] & 0x1F);
}

bool BeginsAccessUnit(const uint8_t* unit, int length) {
    if (length <= kStartCodeBytes) {
        return false;
    }
    const int type = unit[kStartCodeBytes] & 0x1F;
    if ((type >= kSei && type <= kDelimiter) || (type >= 14 && type <= 18)) {
        return true;
    }
    return IsSlice(type) && length > kStartCodeBytes + 1 && (unit[kStartCodeBytes + 1] & 0x80) != 0;
}

bool PictureChunk::EndsChunk(const uint8_t* unit, int length) const {
    return BeginsAccessUnit(unit, length) && (!isBegun_ || hasSlice_);
}

void PictureChunk::Begin(bool isCopying) {
    bytes_.clear();
    isBegun_ = true;
    isCopying_ = isCopying;
    hasSlice_ = false;
    isKey_ = false;
}

bool PictureChunk::Append(const uint8_t* unit, int length) {
    if (!isBegun_ || length <= kStartCodeBytes) {
        return true;
    }
    if (isCopying_ && !bytes_.empty() && size() > kMaxPictureChunkBytes - length) {
        return false;
    }
    const uint8_t header = unit[kStartCodeBytes];
    hasSlice_ = hasSlice_ || IsSliceUnit(unit, length);
    isKey_ = isKey_ || header == 0x65 || header == 0x67;
    if (isCopying_) {
        bytes_.insert(bytes_.end(), unit, unit + length);
    }
    return true;
}

}  // namespace vyr
