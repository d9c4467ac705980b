// SSE2 block routine (x86-64): the same AAN floating-point inverse DCT as the portable routine
// (idct_aan.h), four lanes at a time. First pass: eight vectors indexed by horizontal frequency,
// lanes = vertical frequencies, transformed into sample columns; a 4x4-tiled transpose; second
// pass along the vertical frequencies with lanes = sample columns, so each result vector is part
// of one output row. Rounding (cvtps2dq), saturation (packssdw, paddsw, packuswb) give the same
// samples as SampleFromTransform.
#include <emmintrin.h>

#include "video/jpeg/block_routine.h"
#include "video/jpeg/idct_aan.h"

namespace vyr::jpeg {
namespace {

inline void Transpose4(__m128& a, __m128& b, __m128& c, __m128& d) {
    const __m128 ab0 = _mm_unpacklo_ps(a, b);  // a0 b0 a1 b1
    const __m128 ab1 = _mm_unpackhi_ps(a, b);  // a2 b2 a3 b3
    const __m128 cd0 = _mm_unpacklo_ps(c, d);  // c0 d0 c1 d1
    const __m128 cd1 = _mm_unpackhi_ps(c, d);  // c2 d2 c3 d3
    a = _mm_movelh_ps(ab0, cd0);               // a0 b0 c0 d0
    b = _mm_movehl_ps(cd0, ab0);               // a1 b1 c1 d1
    c = _mm_movelh_ps(ab1, cd1);               // a2 b2 c2 d2
    d = _mm_movehl_ps(cd1, ab1);               // a3 b3 c3 d3
}

inline void RunAan(__m128* x) {
    AanInverse8<__m128>(x, _mm_set1_ps(kAanSqrt2), _mm_set1_ps(kAanTwoCos2),
                        _mm_set1_ps(kAanTwoCos2MinusCos6), _mm_set1_ps(kAanTwoCos2PlusCos6));
}

}  // namespace

void InverseTransformSse2(int16_t* coefficients, const float* dequant, uint8_t* out,
                          ptrdiff_t stride) {
    // low[u] / high[u]: horizontal frequency u, vertical frequencies 0-3 / 4-7.
    __m128 low[8];
    __m128 high[8];
    const __m128i zero = _mm_setzero_si128();
    for (int u = 0; u < 8; ++u) {
        __m128i* source = reinterpret_cast<__m128i*>(coefficients + u * 8);
        const __m128i packed = _mm_loadu_si128(source);
        _mm_storeu_si128(source, zero);
        // Sign-extend 16-bit coefficients to 32 bits: duplicate into the high half, shift back.
        const __m128i wideLow = _mm_srai_epi32(_mm_unpacklo_epi16(packed, packed), 16);
        const __m128i wideHigh = _mm_srai_epi32(_mm_unpackhi_epi16(packed, packed), 16);
        low[u] = _mm_mul_ps(_mm_cvtepi32_ps(wideLow), _mm_loadu_ps(dequant + u * 8));
        high[u] = _mm_mul_ps(_mm_cvtepi32_ps(wideHigh), _mm_loadu_ps(dequant + u * 8 + 4));
    }
    RunAan(low);   // low[x]: sample column x, vertical frequencies 0-3
    RunAan(high);  // high[x]: sample column x, vertical frequencies 4-7

    // left[v] / right[v]: vertical frequency v, sample columns 0-3 / 4-7.
    __m128 left[8] = {low[0], low[1], low[2], low[3], high[0], high[1], high[2], high[3]};
    __m128 right[8] = {low[4], low[5], low[6], low[7], high[4], high[5], high[6], high[7]};
    Transpose4(left[0], left[1], left[2], left[3]);
    Transpose4(left[4], left[5], left[6], left[7]);
    Transpose4(right[0], right[1], right[2], right[3]);
    Transpose4(right[4], right[5], right[6], right[7]);
    RunAan(left);   // left[y]: row y, columns 0-3
    RunAan(right);  // right[y]: row y, columns 4-7

    const __m128i levelShift = _mm_set1_epi16(128);
    for (int y = 0; y < 8; ++y) {
        const __m128i words = _mm_packs_epi32(_mm_cvtps_epi32(left[y]), _mm_cvtps_epi32(right[y]));
        const __m128i shifted = _mm_adds_epi16(words, levelShift);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + y * stride),
                         _mm_packus_epi16(shifted, shifted));
    }
}

}  // namespace vyr::jpeg
