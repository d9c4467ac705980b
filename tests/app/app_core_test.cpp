// The application core: the patient folders beside the data (TELs that are not one folder name
// refused before anything is made), the command line, and language.ini beyond what the dialogs show
// (read-only files, unwritable folders, a crash between writing and renaming: the one atomic writer
// of language.ini and usrinfo.bin).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/core/command_line.h"
#include "app/core/patient_folders.h"
#include "platform/atomic_file.h"
#include "settings/settings_file.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using vyr::test::ReadFileBytes;
using vyr::test::TempDir;

TEST(PatientFolders, RefusesTelsThatAreNotOneFolderNameOrDoNotFitThePathAndMakesTheRest) {
    TempDir dir;
    const std::string exeDir = dir.path().string();
    int handed = 0;
    const auto sink = [&handed](const std::string&) { ++handed; };
    for (const std::string tel : {"", ".", "..", "../up", "a/b", "/abs", "tab\there", "del\x7f"}) {
        EXPECT_FALSE(vyr::IsUsableFolderName(tel)) << tel;
        EXPECT_EQ(vyr::EnsurePatientFolders(exeDir, tel, sink), -1) << tel;
    }
    EXPECT_EQ(handed, 0);
    std::vector<std::string> made;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
        made.push_back(fs::relative(entry.path(), dir.path()).string());
    }
    std::sort(made.begin(), made.end());
    EXPECT_EQ(made, (std::vector<std::string>{"jpg", "video"}));
    // A usable TEL makes its folder and is handed on once, also when the folder is there.
    EXPECT_EQ(vyr::EnsurePatientFolders(exeDir, "123", sink), 0);
    EXPECT_EQ(vyr::EnsurePatientFolders(exeDir, "123", nullptr), 0);
    EXPECT_TRUE(fs::is_directory(dir.path() / "jpg" / "123"));
    EXPECT_EQ(handed, 1);
    for (const std::string tel : {"10000", "+86 138-0000", "...", "a.b", "张三", "a\\b"}) {
        EXPECT_TRUE(vyr::IsUsableFolderName(tel)) << tel;
    }
    const size_t room = vyr::kPatientFolderPathMaxBytes - (exeDir.size() + 5);  // "/jpg/"
    EXPECT_EQ(vyr::EnsurePatientFolders(exeDir, std::string(room, 'a'), nullptr), 0);
    EXPECT_TRUE(fs::is_directory(dir.path() / "jpg" / std::string(room, 'a')));
    EXPECT_EQ(vyr::EnsurePatientFolders(exeDir, std::string(room + 1, 'b'), nullptr), -1);
    EXPECT_FALSE(fs::exists(dir.path() / "jpg" / std::string(room + 1, 'b')));
}

// Parses the words of line as vyr's arguments.
vyr::CommandLine Parse(const std::string& line) {
    std::istringstream words("vyr " + line);
    const std::vector<std::string> args{std::istream_iterator<std::string>(words), {}};
    std::vector<const char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(arg.c_str());
    }
    return vyr::ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

TEST(CommandLine, TakesTheCameraAndTheDataFolderAndRefusesTheRest) {
    EXPECT_EQ(Parse("").cameraAddress, "192.168.1.1");
    EXPECT_EQ(Parse("").dataFolder, "");
    EXPECT_EQ(Parse("--camera=127.0.0.3").cameraAddress, "127.0.0.3");
    EXPECT_EQ(Parse("--data=rel/dir").dataFolder, "rel/dir");
    const vyr::CommandLine both = Parse("--data /srv/clinic --camera 127.0.0.2");
    EXPECT_TRUE(both.ok);
    EXPECT_EQ(both.dataFolder, "/srv/clinic");
    EXPECT_EQ(both.cameraAddress, "127.0.0.2");
    for (const char* bad : {"--data", "--data=", "--database x", "--camera",
                            "--camera camera.local", "--camera 300.1.1.1"}) {
        EXPECT_FALSE(Parse(bad).ok) << bad;
    }
    EXPECT_NE(Parse("--verbose").error.find("--verbose"), std::string::npos);
}

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

}  // namespace
