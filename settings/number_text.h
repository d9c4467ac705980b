// The ascii-to-integer rule of the settings dialog's number box: optional leading blanks and one
// sign, then decimal digits up to the first non-digit; 0 when there are none.
#pragma once

#include <cstdint>
#include <string_view>

namespace vyr {

// The number box's text holds at most this many bytes; longer texts are cut before conversion.
inline constexpr size_t kNumberTextMaxBytes = 99;

// Converts the first kNumberTextMaxBytes bytes of text by the rule above. Values outside the
// 32-bit range saturate at INT32_MIN / INT32_MAX instead of overflowing.
int32_t NumberTextToInt32(std::string_view text);

}  // namespace vyr
