// Where the program keeps its data. The real vyr is started offscreen, from the build tree and from
// an installation made by `cmake --install` (the install_tree fixture), with a home folder and a
// working folder of its own: its console line must name the folder, language.ini (which the
// first-run language dialog creates at once) must land there, and nothing may appear in the
// working folder or the installation. In-process: every writer follows the folder in use, a folder
// that cannot be used changes nothing, and one inside the installation is refused.
#include "platform/data_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <set>
#include <string>

#include "app/core/vyr_app.h"
#include "platform/exe_dir.h"
#include "support/exe_folder.h"
#include "support/run_command.h"

namespace {

namespace fs = std::filesystem;
using vyr::test::CommandResult;
using vyr::test::RunCommand;
using vyr::test::ShellQuote;

struct DataCase {
    const char* name;
    bool installed;
    const char* xdgDataHome;  // under the test's folder when it starts with '/', else as given
    bool named;               // started with --data {test folder}/clinic/share
    const char* expected;     // the data folder, under the test's folder
};

void PrintTo(const DataCase& c, std::ostream* out) {
    *out << c.name;
}

std::set<std::string> FilesUnder(const fs::path& folder) {
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        files.insert(entry.path().string());
    }
    return files;
}

class DataFolderProgram : public testing::TestWithParam<DataCase> {};

TEST_P(DataFolderProgram, KeepsTheDataInTheChosenFolderOnly) {
    const DataCase& c = GetParam();
    const vyr::test::TempDir temp;
    const fs::path root = fs::canonical(temp.path());
    const fs::path home = root / "home";
    const fs::path work = root / "work";
    fs::create_directories(home);
    fs::create_directories(work);
    const fs::path installTree = fs::canonical(VYR_INSTALLED_PATH).parent_path().parent_path();
    const fs::path program = fs::canonical(c.installed ? VYR_INSTALLED_PATH : VYR_BUILT_PATH);
    const std::string xdg = c.xdgDataHome[0] == '/' ? (root / (c.xdgDataHome + 1)).string()
                                                    : std::string(c.xdgDataHome);
    const fs::path named = root / "clinic" / "share";
    const fs::path expected = root / c.expected;
    const std::string expectedLine =
        expected == work
            ? "data folder: " + program.parent_path().string() +
                  " (language.ini and usrinfo.bin in the working folder " + work.string() + ")"
            : "data folder: " + expected.string();

    const std::set<std::string> installedBefore = FilesUnder(installTree);
    // vyr runs until language.ini appears (a minute at most), then it is killed.
    const CommandResult run = RunCommand(
        "env -C " + ShellQuote(work.string()) + " HOME=" + ShellQuote(home.string()) +
        " XDG_DATA_HOME=" + ShellQuote(xdg) + " QT_QPA_PLATFORM=offscreen " +
        ShellQuote(program.string()) + (c.named ? " --data " + ShellQuote(named.string()) : "") +
        " 2>/dev/null & for i in $(seq 600); do [ -e " +
        ShellQuote((expected / "language.ini").string()) +
        " ] && break; sleep 0.1; done; kill -9 $!");
    EXPECT_EQ(run.output.substr(0, run.output.find('\n')), expectedLine);
    ASSERT_TRUE(fs::exists(expected / "language.ini")) << expected;
    EXPECT_EQ(fs::file_size(expected / "language.ini"), 16u);
    EXPECT_EQ(FilesUnder(installTree), installedBefore);
    if (expected == work) {
        EXPECT_EQ(FilesUnder(work), std::set<std::string>{(work / "language.ini").string()});
    } else {
        EXPECT_TRUE(FilesUnder(work).empty());
        struct stat info {};
        ASSERT_EQ(::stat(expected.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u) << "patients' pictures are private";
    }
    if (c.named) {
        EXPECT_FALSE(fs::exists(xdg)) << "--data leaves $XDG_DATA_HOME alone";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, DataFolderProgram,
    testing::Values(
        // Write access does not make a program installed: the build tree is writable.
        DataCase{"BuildTree", false, "/xdg", false, "work"},
        DataCase{"Installed", true, "/xdg", false, "xdg/vyr"},
        // A relative XDG_DATA_HOME is invalid by the XDG rules: ~/.local/share is used.
        DataCase{"InstalledRelativeXdg", true, "relative/share", false, "home/.local/share/vyr"},
        DataCase{"InstalledNamed", true, "/xdg", true, "clinic/share"},
        DataCase{"BuildTreeNamed", false, "/xdg", true, "clinic/share"}),
    [](const testing::TestParamInfo<DataCase>& row) { return std::string(row.param.name); });

// The working folder and the folder override are process-wide: the exe folder puts them back.
class DataFolderInProcess : public testing::Test {
protected:
    const vyr::test::ExeFolder exe_;
    const fs::path start_ = fs::current_path();
};

TEST_F(DataFolderInProcess, EveryWriterFollowsTheFolderInUse) {
    const std::string folder = (start_ / "data").string();
    std::string error;
    ASSERT_EQ(vyr::UseDataFolder({vyr::DataLayout::kNamed, folder, folder}, &error), 0) << error;
    EXPECT_EQ(fs::current_path(), folder);  // language.ini and usrinfo.bin by bare name
    EXPECT_EQ(vyr::GetExeDir(), folder);
    EXPECT_NE(vyr::GetExecutableDir(), folder);
    EXPECT_EQ(vyr::CVyrApp({}, {}).exeDir(), folder);  // the patient folders go below exeDir
}

TEST_F(DataFolderInProcess, AnInstalledProgramNeverKeepsItsDataInItsInstallation) {
    const fs::path bin = fs::path(VYR_INSTALLED_PATH).parent_path();
    vyr::DataFolderInputs inputs{bin.string(), "", (bin.parent_path() / "share").string(),
                                 start_.string(), start_.string()};
    vyr::DataFolder chosen;
    std::string error;
    EXPECT_EQ(vyr::ChooseDataFolder(inputs, &chosen, &error), -1);
    EXPECT_NE(error.find("inside the installation"), std::string::npos) << error;
    inputs.xdgDataHome = "";
    ASSERT_EQ(vyr::ChooseDataFolder(inputs, &chosen, &error), 0) << error;
    EXPECT_EQ(chosen.folder, (start_ / ".local/share/vyr").string());
}

TEST_F(DataFolderInProcess, AFolderThatCannotBeUsedChangesNothing) {
    const fs::path file = start_ / "a-file";
    std::ofstream(file) << "x";
    for (const fs::path& folder : {file, file / "below"}) {
        std::string error;
        EXPECT_EQ(
            vyr::UseDataFolder({vyr::DataLayout::kNamed, folder.string(), folder.string()}, &error),
            -1);
        EXPECT_NE(error.find(folder.string()), std::string::npos) << error;
        EXPECT_EQ(fs::current_path(), start_);
        EXPECT_EQ(vyr::GetExeDir(), exe_.path().string());
    }
}

}  // namespace
