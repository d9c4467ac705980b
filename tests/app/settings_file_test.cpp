// language.ini beyond what the dialogs show: read-only files, unwritable folders, and a crash
// between writing and renaming.
#include "settings/settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "platform/atomic_file.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

namespace {

using vyr::test::ReadFileBytes;
using vyr::test::TempDir;

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

TEST(SettingsFile, AReadOnlyFileIsUsedAndItsWritesAreSkipped) {
    TempDir dir;
    const std::string path = dir.File("language.ini");
    const std::vector<uint8_t> stored = {3, 0, 0, 0, 73, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
    WriteBytes(path, stored);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EXPECT_EQ(vyr::ReadSettingsOrCreate(path).languageIndex, 3);
    EXPECT_EQ(vyr::WriteSettingsFile(path, vyr::SettingsToBytes({})), -1);
    EXPECT_EQ(ReadFileBytes(path), stored);
    EXPECT_TRUE(vyr::SettingsFileIsPresent(path));
    // A folder that cannot take the file: the defaults, and no failure.
    const auto nowhere = dir.path() / "no-such-folder" / "language.ini";
    EXPECT_EQ(vyr::ReadSettingsOrCreate(nowhere).boxNumber, 73);
    EXPECT_FALSE(vyr::SettingsFileIsPresent(nowhere));
}

TEST(SettingsFile, ACrashBeforeTheRenameKeepsTheOldFileAndNoTemporary) {
    TempDir dir;
    const std::string path = dir.File("language.ini");
    const std::vector<uint8_t> old = {0, 0, 0, 0, 73, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    WriteBytes(path, old);
    static std::filesystem::path seenTemporary;
    static uintmax_t seenSize = 0;
    vyr::SetBeforeRenameHookForTest([](const std::filesystem::path& temporary) {
        seenTemporary = temporary;
        seenSize = std::filesystem::file_size(temporary);
        return false;
    });
    EXPECT_EQ(vyr::WriteSettingsFile(path, vyr::SettingsToBytes({4, 1, 1, 1})), -1);
    vyr::SetBeforeRenameHookForTest(nullptr);
    // The temporary file was complete and beside the target (one file system for the rename),
    // and it is gone.
    EXPECT_EQ(seenSize, 16u);
    EXPECT_EQ(seenTemporary.parent_path(), dir.path());
    EXPECT_FALSE(std::filesystem::exists(seenTemporary));
    EXPECT_EQ(ReadFileBytes(path), old);
    // Without the fault the file is replaced and keeps its permissions.
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    EXPECT_EQ(vyr::WriteSettingsFile(path, vyr::SettingsToBytes({4, 1, 1, 1})), 0);
    EXPECT_EQ(ReadFileBytes(path)[0], 4);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

}  // namespace
