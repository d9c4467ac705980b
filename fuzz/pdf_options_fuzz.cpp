// Fuzz target for the PDF layer's parsers; the first byte chooses which.
//   even: the rest is an option list, parsed against the picture-fitting keys. An accepted list
//         keeps every limit (options, values, word lengths, only known keys); the same text then
//         places a picture, whose placement must be finite and sized as asked.
//   odd:  the rest is the end of a written PDF. The information update either refuses it and leaves
//         the bytes unchanged, or keeps them as a prefix and appends one update ending in %%EOF.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/pdf/pdf_image_fit.h"
#include "platform/pdf/pdf_info_update.h"
#include "platform/pdf/pdf_options.h"

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

constexpr std::array<std::string_view, 3> kKeys = {"boxsize", "position", "fitmethod"};

void FuzzOptions(std::string_view text) {
    vyr::PdfOptionList list;
    std::string error;
    if (vyr::ParsePdfOptions(text, kKeys, &list, &error) != 0) {
        Check(!error.empty());
    } else {
        Check(text.size() <= vyr::kPdfOptionListMaxBytes);
        Check(list.options().size() <= vyr::kPdfOptionMaxCount);
        for (const vyr::PdfOption& option : list.options()) {
            Check(std::find(kKeys.begin(), kKeys.end(), option.key) != kKeys.end());
            Check(option.values.size() <= vyr::kPdfOptionMaxValues);
            for (const std::string& word : option.values) {
                Check(!word.empty() && word.size() <= vyr::kPdfOptionWordMaxBytes);
            }
        }
    }
    vyr::PdfPlacement placement;
    if (vyr::PlaceImage(text, 2, 30, 1920, 1080, &placement, &error) == 0) {
        for (const double value : {placement.x, placement.y, placement.width, placement.height}) {
            Check(std::isfinite(value));
        }
        Check(placement.width > 0 && placement.height > 0);
    }
}

void FuzzUpdate(std::string_view bytes) {
    const vyr::PdfDocumentInfo info{"Detection Report", "Zevra", "Vyr", "Qt", 0};
    std::string pdf(bytes);
    std::string error;
    if (vyr::AppendInfoUpdate(&pdf, info, &error) != 0) {
        Check(pdf == bytes);
        return;
    }
    Check(pdf.size() > bytes.size() && pdf.compare(0, bytes.size(), bytes) == 0);
    Check(pdf.size() >= 6 && pdf.compare(pdf.size() - 6, 6, "%%EOF\n") == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    if (data[0] % 2 == 0) {
        FuzzOptions(rest);
    } else {
        FuzzUpdate(rest);
    }
    return 0;
}
