// The patient's fields fitted to their DICOM value representations, and picture times read from
// the program's file names: the cases that decide what an archive shows.
#include <gtest/gtest.h>

#include <QString>

#include "dicom/patient_values.h"
#include "dicom/picture_time.h"

namespace vyr::test {
namespace {

TEST(DicomValuesTest, PatientFieldsFitTheirRepresentations) {
    const struct {
        const char* typed;
        const char* as;
    } ages[] = {{"34", "034Y"},  {" 7 ", "007Y"}, {"6 m", "006M"}, {"034Y", "034Y"},
                {"10w", "010W"}, {"0", "000Y"},   {"1000", ""},    {"thirty", ""},
                {"3.5", ""},     {"", ""},        {"12 years", ""}};
    for (const auto& age : ages) {
        EXPECT_EQ(AgeValue(age.typed), age.as) << age.typed;
    }

    EXPECT_EQ(PersonNameValue("  Ana\\Maria=Silva\t "), "Ana Maria Silva");
    EXPECT_EQ(PersonNameValue("Silva^Ana"), "Silva^Ana");
    // 40 two-byte letters are cut to 32 (64 bytes), never inside a letter.
    std::string long_name;
    for (int i = 0; i < 40; ++i) {
        long_name += "é";
    }
    EXPECT_EQ(PersonNameValue(long_name).size(), 64u);
    // A GBK name from the old program's table is not UTF-8: it becomes valid UTF-8.
    const std::string fromGbk = PersonNameValue("\xD5\xC5\xC8\xFD");
    EXPECT_TRUE(QString::fromUtf8(fromGbk.data(), static_cast<qsizetype>(fromGbk.size()))
                    .toUtf8()
                    .toStdString() == fromGbk);
    EXPECT_FALSE(fromGbk.empty());

    EXPECT_EQ(LongStringValue("12\\34"), "12/34");
    EXPECT_EQ(LongStringValue(" +1 555 0100 "), "+1 555 0100");
    EXPECT_EQ(SexValue(kGenderFemale), "F");
    EXPECT_EQ(SexValue(kGenderMale), "M");
    EXPECT_EQ(SexValue(7), "M");
}

TEST(DicomValuesTest, TimesComeOnlyFromNamesOfTheProgramsForms) {
    const struct {
        const char* name;
        const char* dateTime;  // "" when the name gives no time
    } names[] = {
        {"20250203_090507.bmp", "20250203090507"},
        {"IMG_20241231_235959.bmp", "20241231235959"},
        {"mark_20250203_091000.bmp", "20250203091000"},
        {"20250203_090507", "20250203090507"},
        {"20240229_120000.bmp", "20240229120000"},  // a leap day
        {"20250229_120000.bmp", ""},                // not a leap year
        {"20251301_120000.bmp", ""},
        {"20250203_250000.bmp", ""},
        {"20250203_125960.bmp", ""},
        {"mark20250203_091000.bmp", ""},
        {"IMG_20250203_0905071.bmp", ""},
        {"2025020_090507.bmp", ""},
        {"20250203-090507.bmp", ""},
        {"_20250203_090507.bmp", ""},
        {"00000101_000000.bmp", ""},
        {"", ""},
    };
    for (const auto& name : names) {
        const std::optional<PictureTime> time = TimeFromFileName(name.name);
        EXPECT_EQ(time ? time->DateTime() : "", name.dateTime) << name.name;
    }
}

}  // namespace
}  // namespace vyr::test
