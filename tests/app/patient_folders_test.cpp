// The folders beside the executable: created in order, the TEL handed on, and TELs that are not a
// single folder name refused before anything is created for them.
#include "app/core/patient_folders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using vyr::test::TempDir;

TEST(PatientFolders, CreatesVideoJpgAndThePatientsFolderThenHandsTheTelOn) {
    TempDir dir;
    std::vector<std::string> handed;
    const auto sink = [&handed](const std::string& tel) { handed.push_back(tel); };
    EXPECT_EQ(vyr::EnsurePatientFolders(dir.path().string(), "123", sink), 0);
    EXPECT_TRUE(fs::is_directory(dir.path() / "video"));
    EXPECT_TRUE(fs::is_directory(dir.path() / "jpg" / "123"));
    EXPECT_EQ(handed, std::vector<std::string>{"123"});
    // Again, with everything in place already, and without a link.
    EXPECT_EQ(vyr::EnsurePatientFolders(dir.path().string(), "123", nullptr), 0);
    EXPECT_EQ(vyr::PatientFolderPath(dir.path().string(), "123"),
              (dir.path() / "jpg" / "123").string());
}

TEST(PatientFolders, RefusesTelsThatAreNotOneFolderName) {
    TempDir dir;
    int handed = 0;
    const auto sink = [&handed](const std::string&) { ++handed; };
    for (const std::string tel : {"", ".", "..", "../up", "a/b", "/abs", "tab\there", "del\x7f"}) {
        EXPECT_FALSE(vyr::IsUsableFolderName(tel)) << tel;
        EXPECT_EQ(vyr::EnsurePatientFolders(dir.path().string(), tel, sink), -1) << tel;
    }
    EXPECT_EQ(handed, 0);
    // Only the two shared folders exist; nothing was made outside jpg/ or inside it.
    std::vector<std::string> made;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
        made.push_back(fs::relative(entry.path(), dir.path()).string());
    }
    std::sort(made.begin(), made.end());
    EXPECT_EQ(made, (std::vector<std::string>{"jpg", "video"}));
    for (const std::string tel : {"10000", "+86 138-0000", "...", "a.b", "张三", "a\\b"}) {
        EXPECT_TRUE(vyr::IsUsableFolderName(tel)) << tel;
    }
}

TEST(PatientFolders, RefusesAFolderPathThatDoesNotFitItsBuffer) {
    TempDir dir;
    const std::string exeDir = dir.path().string();
    const size_t room = vyr::kPatientFolderPathMaxBytes - (exeDir.size() + 5);  // "/jpg/"
    ASSERT_GT(room, 1u);
    EXPECT_EQ(vyr::EnsurePatientFolders(exeDir, std::string(room, 'a'), nullptr), 0);
    EXPECT_TRUE(fs::is_directory(dir.path() / "jpg" / std::string(room, 'a')));
    EXPECT_EQ(vyr::EnsurePatientFolders(exeDir, std::string(room + 1, 'b'), nullptr), -1);
    EXPECT_FALSE(fs::exists(dir.path() / "jpg" / std::string(room + 1, 'b')));
}

}  // namespace
