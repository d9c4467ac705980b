// Terminated UTF-8 text fields: cutting at character boundaries, reading up to the terminator.
#include "patients/store/text_field.h"

#include <algorithm>
#include <cstring>

namespace vyr {
namespace {

bool IsContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

std::string_view UpToZero(std::string_view text) {
    return text.substr(0, std::min(text.find('\0'), text.size()));
}

}  // namespace

std::string_view CutAtCharBoundary(std::string_view text, size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    size_t cut = maxBytes;
    while (cut > 0 && IsContinuationByte(text[cut])) {
        --cut;
    }
    return text.substr(0, cut);
}

std::string_view TextFieldValue(std::span<const char> field) {
    const std::string_view all(field.data(), field.size());
    return all.substr(0, std::min(all.find('\0'), all.size()));
}

void StoreTextField(std::span<char> field, std::string_view text) {
    if (field.empty()) {
        return;
    }
    const std::string_view stored = CutAtCharBoundary(UpToZero(text), field.size() - 1);
    std::memcpy(field.data(), stored.data(), stored.size());
    field[stored.size()] = '\0';
}

bool TextFieldEquals(std::span<const char> field, std::string_view key) {
    return TextFieldValue(field) == CutAtCharBoundary(UpToZero(key), field.size() - 1);
}

}  // namespace vyr
