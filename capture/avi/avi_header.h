// Builds the 2048-byte header area at the start of an AVI file: the RIFF form, the hdrl list
// (avih, one video strl with strh and a BITMAPINFOHEADER strf), an INFO list in the final header,
// a JUNK chunk up to byte 2036, and the movi list header that the data chunks follow.
#pragma once

#include <array>
#include <cstdint>

namespace vyr::avi {

inline constexpr uint32_t kHeaderBytes = 2048;
// Where the first data chunk goes, and where the movi list's size counts from.
inline constexpr uint32_t kFirstChunkOffset = 2048;
inline constexpr uint32_t kMoviSizeBase = 2044;
// RIFF and movi sizes written while recording: large enough for a reader to keep reading chunks.
inline constexpr uint32_t kProvisionalSize = 0xFEFFF003u;
// A chunk is refused when position + index bytes + chunk bytes + 32 would pass this
// (2^32 - 1 - 16 MiB - 2048), so that the final index and header still fit in 32-bit sizes.
inline constexpr uint64_t kSizeLimit = 0xFEFFF7FFu;

inline constexpr uint32_t kFlagHasIndex = 0x10;
inline constexpr uint32_t kFlagIsInterleaved = 0x100;
inline constexpr uint32_t kIndexFlagKeyFrame = 0x10;

struct HeaderValues {
    int32_t width = 0;
    int32_t height = 0;
    double fps = 0.0;
    uint32_t fourcc = 0;
    uint32_t totalFrames = 0;  // 0 in the provisional header
    uint32_t riffSize = kProvisionalSize;
    uint32_t moviSize = kProvisionalSize;
    bool isFinal = false;  // the final header carries an INFO list before the JUNK chunk
    bool hasIndex = true;  // false when the idx1 chunk could not be written
};

using HeaderBytes = std::array<uint8_t, kHeaderBytes>;

// Fills all 2048 bytes (every byte not set explicitly is zero).
void BuildHeader(const HeaderValues& values, HeaderBytes& out);

// The FourCC of a compressor name: 0 for names beginning with "RGB" or a null name, otherwise the
// first four characters (fewer characters are padded with zero bytes), first character lowest.
uint32_t FourCcFromCompressor(const char* compressor);

// 1,000,000 / fps and fps * 1,000,000 rounded to nearest; 0 for rates below 0.001 (or not a
// number); results that do not fit in 32 bits are clamped.
uint32_t MicroSecondsPerFrame(double fps);
uint32_t RatePerMillionSeconds(double fps);

}  // namespace vyr::avi
