// Fuzz target of the JPEG decoder: two decoders with a small maximum (so sizes at the maximum
// are reached), one with the vector and one with the portable block routine, decode each
// input; every sample of each returned picture, padding included, is summed so that the
// sanitizers check each read.
#include <cstddef>
#include <cstdint>

#include "video/jpeg/jpeg_decoder.h"
#include "video/jpeg/jpeg_decoder_testing.h"

namespace {

constexpr int kMaxWidth = 1000;
constexpr int kMaxHeight = 700;

uint32_t SumPlane(const uint8_t* plane, int stride, int rows) {
    uint32_t sum = 0;
    for (int i = 0; i < stride * rows; ++i) {
        sum += plane[i];
    }
    return sum;
}

uint32_t SumPicture(const JpegPicture& picture) {
    // Planes hold whole MCUs of 16 (or 8) rows; chroma has half the rows in 4:2:0 and 4:4:0.
    const int mcuHeight =
        (picture.layout == JPEG_LAYOUT_420 || picture.layout == JPEG_LAYOUT_440) ? 16 : 8;
    const int lumaRows = (picture.height + mcuHeight - 1) / mcuHeight * mcuHeight;
    const int chromaRows = lumaRows * 8 / mcuHeight;
    return SumPlane(picture.y, picture.lumaStride, lumaRows) +
           SumPlane(picture.cb, picture.chromaStride, chromaRows) +
           SumPlane(picture.cr, picture.chromaStride, chromaRows);
}

JpegDecoder* MakeDecoder(bool usePortable) {
    const JpegDecoderAttributes attributes{0, 0, kMaxWidth, kMaxHeight};
    JpegDecoder* decoder = JpegDecoderCreate(&attributes);
    if (decoder != nullptr && usePortable) {
        vyr::jpeg::UsePortableBlockRoutine(decoder);
    }
    return decoder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 22)) {
        return 0;
    }
    // Kept for the whole run, like the frame path's decoder: tables and plane sets carry over.
    static JpegDecoder* const decoders[2] = {MakeDecoder(false), MakeDecoder(true)};
    static volatile uint32_t sink = 0;
    for (JpegDecoder* decoder : decoders) {
        JpegPicture picture{};
        if (JpegDecoderDecode(decoder, data, static_cast<int>(size), 1, 2, &picture, 0) == 0) {
            sink = sink + SumPicture(picture);
        }
    }
    return 0;
}
