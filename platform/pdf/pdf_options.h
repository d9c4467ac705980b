// Option lists of the PDF layer, such as "boxsize={598 480} position={bottom} fitmethod=meet":
// pairs key=value separated by white space, where a value is one word or a list of words in braces.
// Each call names the keys it understands; an unknown key, a key given twice, a key without a
// value, unbalanced or nested braces and lists longer than the limits below are errors, never
// ignored. Only our own strings reach the parser, but it is bounded all the same.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vyr {

inline constexpr size_t kPdfOptionListMaxBytes = 1024;
inline constexpr size_t kPdfOptionMaxCount = 16;
inline constexpr size_t kPdfOptionMaxValues = 8;
inline constexpr size_t kPdfOptionWordMaxBytes = 255;

struct PdfOption {
    std::string key;
    std::vector<std::string> values;  // one word, or the words of a list (an empty list is allowed)
};

class PdfOptionList {
public:
    // The option with this key, or nullptr when the list does not have it.
    const PdfOption* Find(std::string_view key) const;
    const std::vector<PdfOption>& options() const { return options_; }

private:
    friend int ParsePdfOptions(std::string_view, std::span<const std::string_view>, PdfOptionList*,
                               std::string*);
    std::vector<PdfOption> options_;
};

// Parses text against the keys this call understands (compared exactly, case-sensitive).
// Returns 0, or -1 with *error saying what is wrong (list and error must not be null).
[[nodiscard]] int ParsePdfOptions(std::string_view text,
                                  std::span<const std::string_view> knownKeys, PdfOptionList* list,
                                  std::string* error);

// A decimal number as option lists write it: optional sign, digits, optional fraction; nothing
// else (no exponent, no "inf", no white space). Returns 0 with *value, or -1.
[[nodiscard]] int ParsePdfNumber(std::string_view word, double* value);

}  // namespace vyr
