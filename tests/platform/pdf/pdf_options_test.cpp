// The option lists and the picture placement of the PDF layer, table-driven: what is accepted and
// what it means, and that every malformed or unknown option is refused with a reason.
#include "platform/pdf/pdf_options.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "platform/pdf/pdf_image_fit.h"

namespace vyr {
namespace {

constexpr std::array<std::string_view, 3> kFitKeys = {"boxsize", "position", "fitmethod"};

struct OptionCase {
    std::string text;
    int result;
    std::vector<std::vector<std::string>> values;  // per option, in order, when accepted
    std::string errorPart;                         // part of the message when refused
};

TEST(PdfOptions, ParsesPairsAndListsAndRefusesEverythingElse) {
    const std::vector<OptionCase> cases = {
        {"boxsize={598 480} position={bottom} fitmethod=meet",
         0,
         {{"598", "480"}, {"bottom"}, {"meet"}},
         ""},
        {"", 0, {}, ""},
        {"  fitmethod = meet\t", 0, {{"meet"}}, ""},
        {"boxsize={ }", 0, {{}}, ""},
        {"colour=red", -1, {}, "unknown option 'colour'"},
        {"FitMethod=meet", -1, {}, "unknown option 'FitMethod'"},
        {"fitmethod=meet fitmethod=meet", -1, {}, "given twice"},
        {"fitmethod", -1, {}, "has no value"},
        {"fitmethod=", -1, {}, "has no value"},
        {"fitmethod={meet", -1, {}, "unbalanced"},
        {"boxsize={{1} 2}", -1, {}, "unexpected '{'"},
        {"boxsize={1 = 2}", -1, {}, "unexpected '='"},
        {"boxsize=1 2", -1, {}, "unknown option '2'"},
        {"=meet", -1, {}, "expected a key"},
        {"}", -1, {}, "expected a key"},
        {"boxsize={1 2 3 4 5 6 7 8 9}", -1, {}, "too many values"},
        {std::string(1025, ' '), -1, {}, "longer than 1024"},
        {"fitmethod=" + std::string(256, 'a'), -1, {}, "longer than 255"},
    };
    for (const OptionCase& test : cases) {
        PdfOptionList list;
        std::string error;
        EXPECT_EQ(ParsePdfOptions(test.text, kFitKeys, &list, &error), test.result) << test.text;
        if (test.result != 0) {
            EXPECT_NE(error.find(test.errorPart), std::string::npos) << test.text << ": " << error;
            continue;
        }
        ASSERT_EQ(list.options().size(), test.values.size()) << test.text;
        for (size_t i = 0; i < test.values.size(); ++i) {
            EXPECT_EQ(list.options()[i].values, test.values[i]) << test.text;
        }
    }
}

TEST(PdfOptions, NumbersAreDecimalsAndNothingElse) {
    const std::vector<std::pair<std::string, double>> good = {
        {"598", 598}, {"-2.5", -2.5}, {"+.5", 0.5}, {"007", 7}, {"3.", 3}};
    for (const auto& [word, expected] : good) {
        double value = 0;
        ASSERT_EQ(ParsePdfNumber(word, &value), 0) << word;
        EXPECT_DOUBLE_EQ(value, expected) << word;
    }
    for (const char* word : {"", ".", "-", "1e3", "nan", "inf", "0x10", "1.2.3", " 1", "1 "}) {
        double value = 0;
        EXPECT_EQ(ParsePdfNumber(word, &value), -1) << word;
    }
}

struct PlaceCase {
    std::string options;
    double x, y;
    int width, height;
    PdfPlacement expected;
};

TEST(PdfImagePlacement, BoxPositionAndFitMethodPlaceThePicture) {
    const std::string one = "boxsize={598 480} position={bottom} fitmethod=meet";
    const std::string two = "boxsize={290 200} position={bottom} fitmethod=meet";
    const std::vector<PlaceCase> cases = {
        // The report's pictures: 16:9 fills the width and stands on the box's bottom.
        {one, 2, 30, 1920, 1080, {2, 30, 598, 336.375}},
        {two, 300, 30, 1920, 1080, {300, 30, 290, 163.125}},
        // A portrait picture fills the height and is centred across.
        {two, 4, 30, 1080, 1920, {4 + (290 - 112.5) / 2, 30, 112.5, 200}},
        {"boxsize={100 50} fitmethod=entire", 10, 20, 640, 480, {10, 20, 100, 50}},
        {"", 10, 20, 640, 480, {10, 20, 640, 480}},
        {"boxsize={100 100} position=center", 10, 20, 50, 20, {35, 60, 50, 20}},
        {"boxsize={100 100} position={right top}", 10, 20, 50, 20, {60, 100, 50, 20}},
        {"boxsize={100 100} position={25 75}", 10, 20, 50, 20, {22.5, 80, 50, 20}},
        {"boxsize={100 100} position=left", 10, 20, 50, 20, {10, 60, 50, 20}},
    };
    for (const PlaceCase& test : cases) {
        PdfPlacement placement;
        std::string error;
        ASSERT_EQ(
            PlaceImage(test.options, test.x, test.y, test.width, test.height, &placement, &error),
            0)
            << test.options << ": " << error;
        EXPECT_DOUBLE_EQ(placement.x, test.expected.x) << test.options;
        EXPECT_DOUBLE_EQ(placement.y, test.expected.y) << test.options;
        EXPECT_DOUBLE_EQ(placement.width, test.expected.width) << test.options;
        EXPECT_DOUBLE_EQ(placement.height, test.expected.height) << test.options;
    }
    for (const char* bad :
         {"fitmethod=meet", "boxsize={10 10} fitmethod=clip",
          "boxsize={10 10} position={bottom left}", "position=101", "boxsize={0 10}",
          "boxsize={10}", "boxsize={10 10} fitmethod={a b}", "boxsize={10 10} scale=2"}) {
        PdfPlacement placement;
        std::string error;
        EXPECT_EQ(PlaceImage(bad, 0, 0, 10, 10, &placement, &error), -1) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    PdfPlacement placement;
    std::string error;
    EXPECT_EQ(PlaceImage(one, 0, 0, 0, 10, &placement, &error), -1);
}

}  // namespace
}  // namespace vyr
