// language.ini beyond what the dialogs show (read-only files, unwritable folders, a crash between
// writing and renaming) and the number box's ascii-to-integer rule with its 99-byte cut.
#include "settings/settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <limits>

#include "platform/atomic_file.h"
#include "settings/number_text.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

namespace {

using vyr::test::ReadFileBytes;

const std::vector<uint8_t> kStored = {3, 0, 0, 0, 73, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(path_, std::ios::binary)
            .write(reinterpret_cast<const char*>(kStored.data()), 16);
    }
    vyr::test::TempDir dir_;
    const std::string path_ = dir_.File("language.ini");
};

TEST_F(SettingsFile, AReadOnlyFileIsUsedAndItsWritesAreSkipped) {
    ASSERT_EQ(::chmod(path_.c_str(), 0444), 0);
    EXPECT_EQ(vyr::ReadSettingsOrCreate(path_).languageIndex, 3);
    EXPECT_EQ(vyr::WriteSettingsFile(path_, vyr::SettingsToBytes({})), -1);
    EXPECT_EQ(ReadFileBytes(path_), kStored);
    EXPECT_TRUE(vyr::SettingsFileIsPresent(path_));
    // A folder that cannot take the file: the defaults, and no failure.
    const auto nowhere = dir_.path() / "no-such-folder" / "language.ini";
    EXPECT_EQ(vyr::ReadSettingsOrCreate(nowhere).boxNumber, 73);
    EXPECT_FALSE(vyr::SettingsFileIsPresent(nowhere));
}

TEST_F(SettingsFile, ACrashBeforeTheRenameKeepsTheOldFileAndNoTemporary) {
    static std::filesystem::path seenTemporary;
    static uintmax_t seenSize = 0;
    vyr::SetBeforeRenameHookForTest([](const std::filesystem::path& temporary) {
        seenTemporary = temporary;
        seenSize = std::filesystem::file_size(temporary);
        return false;
    });
    EXPECT_EQ(vyr::WriteSettingsFile(path_, vyr::SettingsToBytes({4, 1, 1, 1})), -1);
    vyr::SetBeforeRenameHookForTest(nullptr);
    // Complete and beside the target (one file system for the rename), and gone.
    EXPECT_EQ(seenSize, 16u);
    EXPECT_EQ(seenTemporary.parent_path(), dir_.path());
    EXPECT_FALSE(std::filesystem::exists(seenTemporary));
    EXPECT_EQ(ReadFileBytes(path_), kStored);
    // Without the fault the file is replaced and keeps its permissions.
    ASSERT_EQ(::chmod(path_.c_str(), 0600), 0);
    EXPECT_EQ(vyr::WriteSettingsFile(path_, vyr::SettingsToBytes({4, 1, 1, 1})), 0);
    EXPECT_EQ(ReadFileBytes(path_)[0], 4);
    struct stat info {};
    ASSERT_EQ(::stat(path_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(NumberText, FollowsTheAsciiToIntegerRuleSaturatedOverTheFirst99Bytes) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    const std::pair<std::string, int32_t> cases[] = {
        {"12abc", 12},
        {"  \t-7x", -7},
        {"+5", 5},
        {"abc", 0},
        {"- 5", 0},
        {"2147483647", kMax},
        {"2147483648", kMax},
        {"-2147483649", std::numeric_limits<int32_t>::min()},
        {std::string(98, ' ') + "7", 7},
        {std::string(99, ' ') + "7", 0},
        {std::string(98, '0') + "42", 4}};
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(vyr::NumberTextToInt32(text), value) << text;
    }
}

}  // namespace
