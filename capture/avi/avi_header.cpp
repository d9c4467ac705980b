// Builds the AVI header area. Offsets are those of a RIFF AVI 1.0 file with one video stream;
// every number is little-endian.
#include "capture/avi/avi_header.h"

#include <cmath>
#include <cstring>

namespace vyr::avi {
namespace {

class HeaderCursor {
public:
    explicit HeaderCursor(HeaderBytes& bytes) : bytes_(bytes) { bytes_.fill(0); }

    void Tag(const char (&tag)[5]) {
        std::memcpy(&bytes_[offset_], tag, 4);
        offset_ += 4;
    }
    void U32(uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            bytes_[offset_++] = static_cast<uint8_t>(value >> (8 * i));
        }
    }
    void U16(uint16_t value) {
        bytes_[offset_++] = static_cast<uint8_t>(value);
        bytes_[offset_++] = static_cast<uint8_t>(value >> 8);
    }
    void Zeros(uint32_t count) { offset_ += count; }
    uint32_t offset() const { return offset_; }

private:
    HeaderBytes& bytes_;
    uint32_t offset_ = 0;
};

constexpr uint32_t kInfoListBytes = 84;      // "LIST", 76, "INFO", "ISFT", 64, 64 zero bytes
constexpr uint32_t kJunkEnd = 2036;          // where the movi list header begins
constexpr uint32_t kSoftwareNameBytes = 64;  // an empty ISFT text

uint32_t RoundToU32(double value) {
    if (!(value >= 0.0)) {
        return 0;
    }
    if (value >= 4294967295.0) {
        return 0xFFFFFFFFu;
    }
    return static_cast<uint32_t>(std::lround(value));
}

}  // namespace

uint32_t MicroSecondsPerFrame(double fps) {
    if (!(fps >= 0.001)) {
        return 0;
    }
    return RoundToU32(1000000.0 / fps);
}

uint32_t RatePerMillionSeconds(double fps) {
    if (!(fps >= 0.001)) {
        return 0;
    }
    return RoundToU32(fps * 1000000.0);
}

uint32_t FourCcFromCompressor(const char* compressor) {
    if (compressor == nullptr || std::strncmp(compressor, "RGB", 3) == 0) {
        return 0;
    }
    uint32_t fourcc = 0;
    for (int i = 0; i < 4 && compressor[i] != '\0'; ++i) {
        fourcc |= static_cast<uint32_t>(static_cast<uint8_t>(compressor[i])) << (8 * i);
    }
    return fourcc;
}

void BuildHeader(const HeaderValues& v, HeaderBytes& out) {
    HeaderCursor c(out);
    const auto width = static_cast<uint32_t>(v.width);
    const auto height = static_cast<uint32_t>(v.height);

    c.Tag("RIFF");
    c.U32(v.riffSize);
    c.Tag("AVI ");
    c.Tag("LIST");
    c.U32(192);
    c.Tag("hdrl");

    c.Tag("avih");
    c.U32(56);
    c.U32(MicroSecondsPerFrame(v.fps));
    c.U32(0);  // dwMaxBytesPerSec
    c.U32(0);  // dwPaddingGranularity
    c.U32(v.hasIndex ? (kFlagHasIndex | kFlagIsInterleaved) : kFlagIsInterleaved);
    c.U32(v.totalFrames);
    c.U32(0);  // dwInitialFrames
    c.U32(1);  // dwStreams
    c.U32(0);  // dwSuggestedBufferSize
    c.U32(width);
    c.U32(height);
    c.Zeros(16);  // dwReserved

    c.Tag("LIST");
    c.U32(116);
    c.Tag("strl");
    c.Tag("strh");
    c.U32(56);
    c.Tag("vids");
    c.U32(v.fourcc);  // fccHandler
    c.U32(0);         // dwFlags
    c.U16(0);         // wPriority
    c.U16(0);         // wLanguage
    c.U32(0);         // dwInitialFrames
    c.U32(1000000);   // dwScale
    c.U32(RatePerMillionSeconds(v.fps));
    c.U32(0);  // dwStart
    c.U32(v.totalFrames);
    c.U32(0);            // dwSuggestedBufferSize
    c.U32(0xFFFFFFFFu);  // dwQuality: default
    c.U32(0);            // dwSampleSize
    c.Zeros(8);          // rcFrame

    c.Tag("strf");
    c.U32(40);
    c.U32(40);  // biSize
    c.U32(width);
    c.U32(height);
    c.U16(1);   // biPlanes
    c.U16(24);  // biBitCount, whatever the compressor
    c.U32(v.fourcc);
    c.U32(static_cast<uint32_t>(uint64_t{width} * uint64_t{height} * 3u));  // biSizeImage
    c.Zeros(16);

    if (v.isFinal) {
        c.Tag("LIST");
        c.U32(kInfoListBytes - 8);
        c.Tag("INFO");
        c.Tag("ISFT");
        c.U32(kSoftwareNameBytes);
        c.Zeros(kSoftwareNameBytes);
    }

    const uint32_t junkBytes = kJunkEnd - c.offset() - 8;
    c.Tag("JUNK");
    c.U32(junkBytes);
    c.Zeros(junkBytes);

    c.Tag("LIST");
    c.U32(v.moviSize);
    c.Tag("movi");
}

}  // namespace vyr::avi
