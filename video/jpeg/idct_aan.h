// The one-dimensional 8-point inverse DCT of Arai, Agui and Nakajima (AAN) in floating point,
// written once for any value type with +, - and * (a float, or a vector of four floats) so that
// the portable and the SSE2 block routines run exactly the same arithmetic in the same order and
// give identical samples. The AAN factorisation needs its inputs pre-scaled by
// s(u) * s(v) / 8 with s(0) = 1 and s(k) = sqrt(2) * cos(k * pi / 16); that scaling is folded
// into the dequantisation factors (BuildDequantFactors), so each pass costs 5 multiplications.
#pragma once

namespace vyr::jpeg {

inline constexpr float kAanSqrt2 = 1.414213562f;             // sqrt(2)
inline constexpr float kAanTwoCos2 = 1.847759065f;           // 2 cos(2 pi / 16)
inline constexpr float kAanTwoCos2MinusCos6 = 1.082392200f;  // 2 (cos(2 pi/16) - cos(6 pi/16))
inline constexpr float kAanTwoCos2PlusCos6 = 2.613125930f;   // 2 (cos(2 pi/16) + cos(6 pi/16))

// Transforms x[0..7] (frequency order) in place into 8 samples (spatial order). The constants
// are passed in the value type so that vector callers broadcast them once per block.
template <typename V>
inline void AanInverse8(V* x, V sqrt2, V twoCos2, V twoCos2MinusCos6, V twoCos2PlusCos6) {
    // Even part: inputs 0, 2, 4, 6.
    const V sum04 = x[0] + x[4];
    const V diff04 = x[0] - x[4];
    const V sum26 = x[2] + x[6];
    const V rotated26 = (x[2] - x[6]) * sqrt2 - sum26;
    const V even0 = sum04 + sum26;
    const V even3 = sum04 - sum26;
    const V even1 = diff04 + rotated26;
    const V even2 = diff04 - rotated26;

    // Odd part: inputs 1, 3, 5, 7.
    const V sum53 = x[5] + x[3];
    const V diff53 = x[5] - x[3];
    const V sum17 = x[1] + x[7];
    const V diff17 = x[1] - x[7];
    const V odd7 = sum17 + sum53;
    const V odd11 = (sum17 - sum53) * sqrt2;
    const V shared = (diff53 + diff17) * twoCos2;
    const V odd10 = shared - diff17 * twoCos2MinusCos6;
    const V odd12 = shared - diff53 * twoCos2PlusCos6;
    const V odd6 = odd12 - odd7;
    const V odd5 = odd11 - odd6;
    const V odd4 = odd10 - odd5;

    x[0] = even0 + odd7;
    x[7] = even0 - odd7;
    x[1] = even1 + odd6;
    x[6] = even1 - odd6;
    x[2] = even2 + odd5;
    x[5] = even2 - odd5;
    x[3] = even3 + odd4;
    x[4] = even3 - odd4;
}

}  // namespace vyr::jpeg
