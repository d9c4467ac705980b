// Fixed-width, zero-terminated text fields of the patient record. Texts are UTF-8 and are cut only
// at character boundaries, so a cut never leaves half a character behind.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace vyr {

// The longest prefix of text that has at most maxBytes bytes and ends at a UTF-8 character
// boundary (the byte after the cut is not a continuation byte).
std::string_view CutAtCharBoundary(std::string_view text, size_t maxBytes);

// The text of a field: its bytes up to the first zero, or the whole field when it holds no zero
// (possible in a file this program did not write).
std::string_view TextFieldValue(std::span<const char> field);

// Stores text (up to its first zero byte) into field as a terminated string, cut to
// field.size() - 1 bytes at a character boundary. Only the text and its terminator are written;
// the bytes behind the terminator keep what they held. An empty field is left alone.
void StoreTextField(std::span<char> field, std::string_view text);

// Whole-field, byte-exact comparison of a field's text with key (cut as StoreTextField would
// store it, so a key that was cut when stored still finds its patient).
bool TextFieldEquals(std::span<const char> field, std::string_view key);

}  // namespace vyr
