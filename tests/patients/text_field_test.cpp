// Terminated UTF-8 fields: cuts between characters and values of fields without a terminator.
#include "patients/store/text_field.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using vyr::CutAtCharBoundary;

TEST(TextField, CutsOnlyBetweenCharacters) {
    EXPECT_EQ(CutAtCharBoundary("abc", 5), "abc");
    EXPECT_EQ(CutAtCharBoundary("abcdef", 3), "abc");
    EXPECT_EQ(CutAtCharBoundary("aé", 2), "a");     // two-byte character
    EXPECT_EQ(CutAtCharBoundary("中文", 5), "中");  // three-byte characters
    EXPECT_EQ(CutAtCharBoundary("中文", 2), "");
    EXPECT_EQ(CutAtCharBoundary("x😀", 4), "x");  // a four-byte character
}

TEST(TextField, ValuesStopAtTheTerminatorOrTheFieldEnd) {
    std::array<char, 6> field = {'a', 'b', '\0', 'x', 'y', 'z'};
    EXPECT_EQ(vyr::TextFieldValue(field), "ab");
    std::array<char, 4> unterminated = {'w', 'x', 'y', 'z'};
    EXPECT_EQ(vyr::TextFieldValue(unterminated), "wxyz");
    // Stored from the unterminated value, it is cut to leave room for the terminator.
    vyr::StoreTextField(unterminated, vyr::TextFieldValue(unterminated));
    EXPECT_EQ(vyr::TextFieldValue(unterminated), "wxy");
    // A key is cut the same way before it is compared, so a cut value is still found by it.
    EXPECT_TRUE(vyr::TextFieldEquals(unterminated, "wxyz"));
    EXPECT_FALSE(vyr::TextFieldEquals(unterminated, "wx"));
}

}  // namespace
