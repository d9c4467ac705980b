// The application core: the current patient copied field by field, the patient folders beside the
// data (TELs that are not one folder name refused before anything is made), and the command line.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/core/command_line.h"
#include "app/core/patient_folders.h"
#include "app/core/vyr_app.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using vyr::test::TempDir;

TEST(VyrApp, CurrentPatientIsCopiedFieldByField) {
    vyr::CVyrApp app({}, {});
    EXPECT_EQ(vyr::CVyrApp::Current(), &app);
    vyr::PatientRecord patient = vyr::MakePatientRecord("abcdefgh", "44", "123", 1);
    patient.inUse = 1;
    app.SetCurrentPatient(patient);
    vyr::PatientRecord out{};
    ASSERT_EQ(app.GetCurrentPatient(&out), 0);
    EXPECT_EQ(out.Name(), "abcdefgh");
    EXPECT_EQ(out.inUse, 1);
    app.SetCurrentPatient(vyr::MakePatientRecord("xy", "", "9", 0));
    ASSERT_EQ(app.GetCurrentPatient(&out), 0);
    // The caller's bytes behind each terminator stay.
    EXPECT_EQ(std::string(out.name.data(), 8), std::string("xy\0defgh", 8));
    EXPECT_EQ(out.Age(), "");
    EXPECT_EQ(out.Tel(), "9");
    EXPECT_EQ(out.gender, 0);
    app.ResetForStart();
    vyr::PatientRecord cleared{};
    ASSERT_EQ(app.GetCurrentPatient(&cleared), 0);
    EXPECT_EQ(cleared.Tel(), "");
}

TEST(PatientFolders, CreatesVideoJpgAndThePatientsFolderThenHandsTheTelOn) {
    TempDir dir;
    std::vector<std::string> handed;
    const auto sink = [&handed](const std::string& tel) { handed.push_back(tel); };
    EXPECT_EQ(vyr::EnsurePatientFolders(dir.path().string(), "123", sink), 0);
    EXPECT_EQ(vyr::EnsurePatientFolders(dir.path().string(), "123", nullptr), 0);  // again
    EXPECT_TRUE(fs::is_directory(dir.path() / "video"));
    EXPECT_TRUE(fs::is_directory(dir.path() / "jpg" / "123"));
    EXPECT_EQ(handed, std::vector<std::string>{"123"});
}

TEST(PatientFolders, RefusesTelsThatAreNotOneFolderNameOrDoNotFitThePath) {
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

}  // namespace
