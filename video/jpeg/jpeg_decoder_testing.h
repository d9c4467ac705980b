// Test seam of the JPEG decoder: lets the tests run every picture through the portable block
// routine too, so that both routines are checked against the same oracle on any processor.
#pragma once

#include "video/jpeg/jpeg_decoder.h"

namespace vyr::jpeg {

// Makes `decoder` use the portable block routine from now on, whatever the processor offers.
void UsePortableBlockRoutine(JpegDecoder* decoder);

// True when `decoder` uses the portable block routine.
bool IsUsingPortableBlockRoutine(const JpegDecoder* decoder);

}  // namespace vyr::jpeg
