// The option-list parser: one pass over the text with an index that never passes its end; words
// end at white space, '=', '{' or '}'. Numbers are read by hand so that the locale and strtod's
// wider syntax (exponents, "nan", hexadecimal) never apply.
#include "platform/pdf/pdf_options.h"

#include <algorithm>
#include <cmath>

namespace vyr {
namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsDelimiter(char c) {
    return IsSpace(c) || c == '=' || c == '{' || c == '}';
}

class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    void SkipSpace() {
        while (at_ < text_.size() && IsSpace(text_[at_])) {
            ++at_;
        }
    }
    bool AtEnd() const { return at_ >= text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[at_]; }
    void Advance() { at_ = std::min(at_ + 1, text_.size()); }

    std::string_view Word() {
        const size_t start = at_;
        while (at_ < text_.size() && !IsDelimiter(text_[at_])) {
            ++at_;
        }
        return text_.substr(start, at_ - start);
    }

private:
    std::string_view text_;
    size_t at_ = 0;
};

int Fail(std::string* error, std::string message) {
    *error = std::move(message);
    return -1;
}

int CheckWord(std::string_view word, std::string* error) {
    if (word.empty()) {
        return Fail(error, "missing word");
    }
    if (word.size() > kPdfOptionWordMaxBytes) {
        return Fail(error, "word longer than 255 bytes");
    }
    return 0;
}

// After "key=": one word, or '{' words '}'.
int ParseValue(Scanner& scan, PdfOption* option, std::string* error) {
    scan.SkipSpace();
    if (scan.Peek() != '{') {
        const std::string_view word = scan.Word();
        if (word.empty()) {
            return Fail(error, "option '" + option->key + "' has no value");
        }
        if (CheckWord(word, error) != 0) {
            return -1;
        }
        option->values.emplace_back(word);
        return 0;
    }
    scan.Advance();
    for (;;) {
        scan.SkipSpace();
        if (scan.AtEnd()) {
            return Fail(error, "unbalanced braces in option '" + option->key + "'");
        }
        if (scan.Peek() == '}') {
            scan.Advance();
            return 0;
        }
        if (scan.Peek() == '{' || scan.Peek() == '=') {
            return Fail(error, "unexpected '" + std::string(1, scan.Peek()) + "' in option '" +
                                   option->key + "'");
        }
        if (option->values.size() >= kPdfOptionMaxValues) {
            return Fail(error, "too many values in option '" + option->key + "'");
        }
        const std::string_view word = scan.Word();
        if (CheckWord(word, error) != 0) {
            return -1;
        }
        option->values.emplace_back(word);
    }
}

}  // namespace

const PdfOption* PdfOptionList::Find(std::string_view key) const {
    for (const PdfOption& option : options_) {
        if (option.key == key) {
            return &option;
        }
    }
    return nullptr;
}

int ParsePdfOptions(std::string_view text, std::span<const std::string_view> knownKeys,
                    PdfOptionList* list, std::string* error) {
    list->options_.clear();
    if (text.size() > kPdfOptionListMaxBytes) {
        return Fail(error, "option list longer than 1024 bytes");
    }
    Scanner scan(text);
    for (;;) {
        scan.SkipSpace();
        if (scan.AtEnd()) {
            return 0;
        }
        const std::string_view key = scan.Word();
        if (key.empty()) {
            return Fail(error,
                        "option list: expected a key before '" + std::string(1, scan.Peek()) + "'");
        }
        if (CheckWord(key, error) != 0) {
            return -1;
        }
        if (std::find(knownKeys.begin(), knownKeys.end(), key) == knownKeys.end()) {
            return Fail(error, "unknown option '" + std::string(key) + "'");
        }
        if (list->Find(key) != nullptr) {
            return Fail(error, "option '" + std::string(key) + "' given twice");
        }
        if (list->options_.size() >= kPdfOptionMaxCount) {
            return Fail(error, "too many options");
        }
        scan.SkipSpace();
        if (scan.Peek() != '=') {
            return Fail(error, "option '" + std::string(key) + "' has no value");
        }
        scan.Advance();
        PdfOption option{std::string(key), {}};
        if (ParseValue(scan, &option, error) != 0) {
            return -1;
        }
        list->options_.push_back(std::move(option));
    }
}

int ParsePdfNumber(std::string_view word, double* value) {
    size_t at = 0;
    bool negative = false;
    if (at < word.size() && (word[at] == '+' || word[at] == '-')) {
        negative = word[at] == '-';
        ++at;
    }
    double result = 0;
    int digits = 0;
    while (at < word.size() && word[at] >= '0' && word[at] <= '9') {
        result = result * 10 + (word[at] - '0');
        ++at;
        ++digits;
    }
    if (at < word.size() && word[at] == '.') {
        ++at;
        double scale = 0.1;
        while (at < word.size() && word[at] >= '0' && word[at] <= '9') {
            result += (word[at] - '0') * scale;
            scale /= 10;
            ++at;
            ++digits;
        }
    }
    if (digits == 0 || at != word.size() || !std::isfinite(result)) {
        return -1;
    }
    *value = negative ? -result : result;
    return 0;
}

}  // namespace vyr
