// Shared pieces of the JPEG decoder tests: an owning handle, decoding into a record, and the
// check of all three planes of a decoded picture against the libjpeg-turbo reference.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/video/jpeg/turbo_oracle.h"
#include "video/jpeg/jpeg_decoder.h"
#include "video/jpeg/jpeg_decoder_testing.h"

namespace vyr::test {

struct DecoderDeleter {
    void operator()(JpegDecoder* decoder) const { JpegDecoderDestroy(decoder); }
};
using DecoderPtr = std::unique_ptr<JpegDecoder, DecoderDeleter>;

inline DecoderPtr MakeDecoder(int maxWidth = 4096, int maxHeight = 4096, bool usePortable = false) {
    const JpegDecoderAttributes attributes{0, 0, maxWidth, maxHeight};
    DecoderPtr decoder(JpegDecoderCreate(&attributes));
    if (decoder && usePortable) {
        vyr::jpeg::UsePortableBlockRoutine(decoder.get());
    }
    return decoder;
}

inline int Decode(JpegDecoder* decoder, const std::vector<uint8_t>& jpeg, JpegPicture* picture,
                  int callerValue1 = 0, int callerValue2 = 0) {
    return JpegDecoderDecode(decoder, jpeg.data(), static_cast<int>(jpeg.size()), callerValue1,
                             callerValue2, picture, 0);
}

// The IDCTs differ in arithmetic (ours: AAN in single-precision float; the reference: the
// accurate LL&M integer IDCT with intermediate rounding). Both stay within about half a step of
// the exact transform, so a sample may differ by 1, rarely 2; a coefficient error of a single
// quantisation step moves samples by far more and drops the PSNR well below 50 dB.
inline constexpr int kMaxSampleDifference = 2;
inline constexpr double kMinPsnr = 50.0;

// Checks every sample inside the picture, in all three planes.
inline void ExpectPlanesMatch(const YuvPicture& reference, const JpegPicture& picture) {
    for (int plane = 0; plane < 3; ++plane) {
        const PlaneMatch match =
            ComparePlane(reference, plane, PlaneOf(picture, plane), StrideOf(picture, plane));
        EXPECT_LE(match.maxDifference, kMaxSampleDifference) << "plane " << plane;
        EXPECT_GE(match.psnr, kMinPsnr) << "plane " << plane;
    }
}

}  // namespace vyr::test
