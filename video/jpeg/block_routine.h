// The block routine: dequantise one 8x8 block of DCT coefficients, inverse-transform it, add the
// level shift of 128, clamp to 0..255 and store the samples into a plane. One routine is chosen
// per decoder at creation (SSE2 on x86-64, the portable one elsewhere or when forced).
//
// Coefficient order: coefficients[u * 8 + v] holds horizontal frequency u, vertical frequency v
// (the transpose of the natural row-major order). With this order the first pass of the
// routine works on whole vectors without a transpose on input; the entropy decoder writes this
// order directly through kZigZagToCoefficient.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vyr::jpeg {

// Transforms coefficients[0..63] (dequantised with dequant[0..63], same order) into an 8x8 block
// of samples at out, rows stride bytes apart, and sets all 64 coefficients back to 0.
using BlockRoutine = void (*)(int16_t* coefficients, const float* dequant, uint8_t* out,
                              ptrdiff_t stride);

// Zig-zag index -> coefficient index of the block routine, padded so that a run that overshoots
// index 63 in corrupt data still lands inside a 64-entry block (on its last coefficient).
extern const std::array<uint8_t, 64 + 16> kZigZagToCoefficient;

// Portable routine, plain C++; the reference for the SIMD one (same samples, bit for bit).
void InverseTransformPortable(int16_t* coefficients, const float* dequant, uint8_t* out,
                              ptrdiff_t stride);

// Stores a block whose only non-zero coefficient is the DC one; gives the same samples as the
// full routine on such a block.
void StoreFlatBlock(int dc, float dcDequant, uint8_t* out, ptrdiff_t stride);

// Turns a quantisation table in zig-zag order into the block routine's dequantisation factors
// (quantiser times the AAN input scaling), in the routine's coefficient order.
void BuildDequantFactors(const uint16_t quantZigZag[64], float dequant[64]);

// Converts a transformed sample to its stored 8-bit value: rounds half to even, saturates to
// 16 bits, adds 128 and clamps to 0..255, exactly like the SSE2 instruction sequence.
inline uint8_t SampleFromTransform(float value) {
    // 1.5 * 2^23: adding and subtracting it rounds to an integer in the current (nearest-even)
    // rounding mode, for |value| < 2^22, which the clamp guarantees.
    constexpr float kRoundingBias = 12582912.0f;
    const float clamped = value < -32768.0f ? -32768.0f : (value > 32767.0f ? 32767.0f : value);
    const int rounded = static_cast<int>((clamped + kRoundingBias) - kRoundingBias) + 128;
    return static_cast<uint8_t>(rounded < 0 ? 0 : (rounded > 255 ? 255 : rounded));
}

// Provided by the processor-specific file (cpu_features_*.cpp).
// True when this processor can run the decoder (on x86: MMX and conditional moves, confirmed
// with cpuid); always true elsewhere.
bool ProcessorMeetsRequirements();
// The fastest block routine this processor supports.
BlockRoutine SelectBlockRoutine();

}  // namespace vyr::jpeg
