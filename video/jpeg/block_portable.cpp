// Portable block routine: AAN floating-point inverse DCT (idct_aan.h) in two passes, first
// along the horizontal frequencies for each vertical frequency, then along the vertical ones for
// each column; also the dequantisation factors and the flat (DC-only) block store.
#include <cmath>
#include <cstring>
#include <numbers>

#include "video/jpeg/block_routine.h"
#include "video/jpeg/default_tables.h"
#include "video/jpeg/idct_aan.h"

namespace vyr::jpeg {
namespace {

constexpr std::array<uint8_t, 64 + 16> MakeCoefficientOrder() {
    std::array<uint8_t, 64 + 16> order{};
    for (size_t k = 0; k < order.size(); ++k) {
        const int natural = kZigZagToNatural[k < 64 ? k : 63];
        const int row = natural / 8;
        const int column = natural % 8;
        order[k] = static_cast<uint8_t>(column * 8 + row);
    }
    return order;
}

}  // namespace

const std::array<uint8_t, 64 + 16> kZigZagToCoefficient = MakeCoefficientOrder();

void BuildDequantFactors(const uint16_t quantZigZag[64], float dequant[64]) {
    double scale[8];
    scale[0] = 1.0;
    for (int k = 1; k < 8; ++k) {
        scale[k] = std::sqrt(2.0) * std::cos(k * std::numbers::pi / 16.0);
    }
    for (size_t k = 0; k < 64; ++k) {
        const int index = kZigZagToCoefficient[k];
        const int horizontal = index / 8;
        const int vertical = index % 8;
        dequant[index] =
            static_cast<float>(quantZigZag[k] * scale[horizontal] * scale[vertical] / 8.0);
    }
}

void StoreFlatBlock(int dc, float dcDequant, uint8_t* out, ptrdiff_t stride) {
    const uint8_t sample = SampleFromTransform(static_cast<float>(dc) * dcDequant);
    for (int row = 0; row < 8; ++row) {
        std::memset(out + row * stride, sample, 8);
    }
}

void InverseTransformPortable(int16_t* coefficients, const float* dequant, uint8_t* out,
                              ptrdiff_t stride) {
    // rows[x * 8 + v]: after the first pass, sample column x at vertical frequency v.
    float rows[64];
    for (int v = 0; v < 8; ++v) {
        float line[8];
        for (int u = 0; u < 8; ++u) {
            line[u] = static_cast<float>(coefficients[u * 8 + v]) * dequant[u * 8 + v];
        }
        AanInverse8<float>(line, kAanSqrt2, kAanTwoCos2, kAanTwoCos2MinusCos6, kAanTwoCos2PlusCos6);
        for (int x = 0; x < 8; ++x) {
            rows[x * 8 + v] = line[x];
        }
    }
    for (int x = 0; x < 8; ++x) {
        AanInverse8<float>(rows + x * 8, kAanSqrt2, kAanTwoCos2, kAanTwoCos2MinusCos6,
                           kAanTwoCos2PlusCos6);
        for (int y = 0; y < 8; ++y) {
            out[y * stride + x] = SampleFromTransform(rows[x * 8 + y]);
        }
    }
    std::memset(coefficients, 0, 64 * sizeof(int16_t));
}

}  // namespace vyr::jpeg
