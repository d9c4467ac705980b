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

TEST(PdfOptions, ParsesPairsAndListsAndRefusesEverythingElse) {
    PdfOptionList list;
    std::string error;
    ASSERT_EQ(ParsePdfOptions("  boxsize={598 480} position={ } fitmethod = meet\t", kFitKeys,
                              &list, &error),
              0)
        << error;
    ASSERT_EQ(list.options().size(), 3u);
    EXPECT_EQ(list.options()[0].values, (std::vector<std::string>{"598", "480"}));
    EXPECT_TRUE(list.options()[1].values.empty());
    EXPECT_EQ(list.options()[2].values, std::vector<std::string>{"meet"});
    // Option strings come from our own report code: each kind of mistake is refused with a reason.
    const std::pair<std::string, const char*> refused[] = {
        {"colour=red", "unknown option 'colour'"},
        {"fitmethod=meet fitmethod=meet", "given twice"},
        {"fitmethod=", "has no value"},
        {"fitmethod={meet", "unbalanced"},
        {"boxsize={{1} 2}", "unexpected '{'"},
        {"=meet", "expected a key"},
        {"boxsize={1 2 3 4 5 6 7 8 9}", "too many values"},
        {std::string(1025, ' '), "longer than 1024"}};
    for (const auto& [text, reason] : refused) {
        EXPECT_EQ(ParsePdfOptions(text, kFitKeys, &list, &error), -1) << text;
        EXPECT_NE(error.find(reason), std::string::npos) << text << ": " << error;
    }
    double value = 0;
    ASSERT_EQ(ParsePdfNumber("+.5", &value), 0);
    EXPECT_DOUBLE_EQ(value, 0.5);
    for (const char* word : {"", ".", "1e3", "nan", "0x10", "1.2.3", " 1"}) {
        EXPECT_EQ(ParsePdfNumber(word, &value), -1) << word;
    }
}

// Where 16:9 pictures land on the report's page is judged on the rendered page
// (report_export_test); here a portrait picture in the report's box and what placement refuses.
TEST(PdfImagePlacement, PortraitPicturesAreCentredAndWhatCannotBePlacedIsRefused) {
    const std::string box = "boxsize={290 200} position={bottom} fitmethod=meet";
    PdfPlacement placement;
    std::string error;
    // It fills the box's height and is centred across.
    ASSERT_EQ(PlaceImage(box, 10, 20, 1080, 1920, &placement, &error), 0) << error;
    EXPECT_EQ(std::vector<double>({placement.x, placement.y, placement.width, placement.height}),
              std::vector<double>({10 + (290 - 112.5) / 2, 20, 112.5, 200}));
    EXPECT_EQ(PlaceImage(box, 0, 0, 0, 10, &placement, &error), -1);  // a picture of no width
    for (const char* bad : {"fitmethod=meet", "boxsize={10 10} fitmethod=clip",
                            "boxsize={10 10} position={bottom left}", "boxsize={0 10}"}) {
        error.clear();
        EXPECT_EQ(PlaceImage(bad, 0, 0, 10, 10, &placement, &error), -1) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

}  // namespace
}  // namespace vyr
