// Processor check and block routine choice on processors other than x86-64: there is no
// instruction set to require, and the portable block routine is the only one.
#include "video/jpeg/block_routine.h"

namespace vyr::jpeg {

bool ProcessorMeetsRequirements() {
    return true;
}

BlockRoutine SelectBlockRoutine() {
    return InverseTransformPortable;
}

}  // namespace vyr::jpeg
