// The fit_image placement: parse the three options, scale, then move the picture so that its
// position point lies on the box's position point.
#include "platform/pdf/pdf_image_fit.h"

#include <algorithm>
#include <array>

#include "platform/pdf/pdf_options.h"

namespace vyr {
namespace {

// Larger than any page (PDF's limit is 14400 points) but far from overflowing.
constexpr double kMaxBoxPoints = 100000;

int Fail(std::string* error, std::string message) {
    *error = std::move(message);
    return -1;
}

struct Percent {
    double x = 0;
    double y = 0;
};

enum class Axis { kAny, kHorizontal, kVertical };

// One position word or number. A word fixes one axis (and centres the other when it stands alone);
// a number gives the percentage of the axis it stands for.
int PositionWord(const std::string& word, Axis axis, Percent* percent, bool alone) {
    struct Keyword {
        std::string_view name;
        Axis axis;
        double value;
    };
    static constexpr std::array<Keyword, 5> kKeywords = {{{"left", Axis::kHorizontal, 0},
                                                          {"right", Axis::kHorizontal, 100},
                                                          {"bottom", Axis::kVertical, 0},
                                                          {"top", Axis::kVertical, 100},
                                                          {"center", Axis::kAny, 50}}};
    for (const Keyword& keyword : kKeywords) {
        if (keyword.name != word) {
            continue;
        }
        if (keyword.axis != Axis::kAny && axis != Axis::kAny && keyword.axis != axis) {
            return -1;
        }
        const bool horizontal = keyword.axis == Axis::kHorizontal ||
                                (keyword.axis == Axis::kAny && axis != Axis::kVertical);
        const bool vertical = keyword.axis == Axis::kVertical ||
                              (keyword.axis == Axis::kAny && axis != Axis::kHorizontal);
        if (horizontal) {
            percent->x = keyword.value;
        }
        if (vertical) {
            percent->y = keyword.value;
        }
        if (alone && keyword.axis != Axis::kAny) {
            (horizontal ? percent->y : percent->x) = 50;
        }
        return 0;
    }
    double value = 0;
    if (ParsePdfNumber(word, &value) != 0 || value < 0 || value > 100) {
        return -1;
    }
    if (axis != Axis::kVertical) {
        percent->x = value;
    }
    if (axis != Axis::kHorizontal) {
        percent->y = value;
    }
    return 0;
}

int ReadPosition(const PdfOption* option, Percent* percent, std::string* error) {
    if (option == nullptr) {
        return 0;
    }
    const std::vector<std::string>& words = option->values;
    bool ok = false;
    if (words.size() == 1) {
        ok = PositionWord(words[0], Axis::kAny, percent, true) == 0;
    } else if (words.size() == 2) {
        ok = PositionWord(words[0], Axis::kHorizontal, percent, false) == 0 &&
             PositionWord(words[1], Axis::kVertical, percent, false) == 0;
    }
    return ok ? 0 : Fail(error, "bad value for option 'position'");
}

int ReadBox(const PdfOption* option, double* width, double* height, std::string* error) {
    if (option == nullptr) {
        return 0;
    }
    if (option->values.size() != 2 || ParsePdfNumber(option->values[0], width) != 0 ||
        ParsePdfNumber(option->values[1], height) != 0 || *width <= 0 || *height <= 0 ||
        *width > kMaxBoxPoints || *height > kMaxBoxPoints) {
        return Fail(error, "bad value for option 'boxsize'");
    }
    return 0;
}

}  // namespace

int PlaceImage(std::string_view options, double x, double y, int imageWidth, int imageHeight,
               PdfPlacement* placement, std::string* error) {
    static constexpr std::array<std::string_view, 3> kKeys = {"boxsize", "position", "fitmethod"};
    PdfOptionList list;
    if (ParsePdfOptions(options, kKeys, &list, error) != 0) {
        return -1;
    }
    if (imageWidth <= 0 || imageHeight <= 0) {
        return Fail(error, "image has no pixels");
    }
    double boxWidth = 0;
    double boxHeight = 0;
    Percent percent;
    if (ReadBox(list.Find("boxsize"), &boxWidth, &boxHeight, error) != 0 ||
        ReadPosition(list.Find("position"), &percent, error) != 0) {
        return -1;
    }

    std::string method = "nofit";
    if (const PdfOption* option = list.Find("fitmethod")) {
        if (option->values.size() != 1) {
            return Fail(error, "bad value for option 'fitmethod'");
        }
        method = option->values[0];
    }
    double width = imageWidth;
    double height = imageHeight;
    if (method == "meet" || method == "entire") {
        if (boxWidth <= 0) {
            return Fail(error, "fitmethod '" + method + "' needs option 'boxsize'");
        }
        if (method == "meet") {
            const double scale = std::min(boxWidth / imageWidth, boxHeight / imageHeight);
            width *= scale;
            height *= scale;
        } else {
            width = boxWidth;
            height = boxHeight;
        }
    } else if (method != "nofit") {
        return Fail(error, "unsupported fitmethod '" + method + "'");
    }
    placement->width = width;
    placement->height = height;
    placement->x = x + (boxWidth - width) * percent.x / 100;
    placement->y = y + (boxHeight - height) * percent.y / 100;
    return 0;
}

}  // namespace vyr
