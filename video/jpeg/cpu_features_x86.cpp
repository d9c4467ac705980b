// Processor check and block routine choice on x86-64: cpuid leaf 1 reports MMX (EDX bit 23),
// conditional moves (EDX bit 15) and SSE2 (EDX bit 26). The decoder needs the first two; SSE2
// selects the vector block routine.
#include <cpuid.h>

#include "video/jpeg/block_routine.h"

namespace vyr::jpeg {

void InverseTransformSse2(int16_t* coefficients, const float* dequant, uint8_t* out,
                          ptrdiff_t stride);

namespace {

unsigned FeatureBitsEdx() {
    unsigned eax = 0;
    unsigned ebx = 0;
    unsigned ecx = 0;
    unsigned edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) {
        return 0;
    }
    return edx;
}

constexpr unsigned kCmovBit = 1u << 15;
constexpr unsigned kMmxBit = 1u << 23;
constexpr unsigned kSse2Bit = 1u << 26;

}  // namespace

bool ProcessorMeetsRequirements() {
    const unsigned edx = FeatureBitsEdx();
    return (edx & kMmxBit) != 0 && (edx & kCmovBit) != 0;
}

BlockRoutine SelectBlockRoutine() {
    return (FeatureBitsEdx() & kSse2Bit) != 0 ? InverseTransformSse2 : InverseTransformPortable;
}

}  // namespace vyr::jpeg
