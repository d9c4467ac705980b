// Where the program keeps its data. The real vyr is started offscreen, from the build tree and from
// an installation made by `cmake --install` (the install_tree fixture), with a home folder and a
// working folder of its own: its console line must name the folder, language.ini (which the
// first-run language dialog creates at once) must land there, and nothing may appear in the
// working folder or the installation. In-process: once a data folder is in use, the folder
// helpers every writer calls answer with it; a folder that cannot be used changes nothing, and
// one inside the installation is refused.
#include "platform/data_folder.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <set>
#include <string>
#include <thread>

#include "app/core/patient_folders.h"
#include "app/core/vyr_app.h"
#include "platform/exe_dir.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using vyr::test::ShellQuote;

enum class Expect { kWorkingFolder, kXdgVyr, kHomeShareVyr, kNamed };

struct DataCase {
    const char* name;
    bool installed;
    const char* xdgDataHome;  // under the test's folder when it starts with '/', else as given
    bool named;               // started with --data {test folder}/clinic/share
    Expect expect;
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

// vyr started through the shell, which prints its pid and then becomes vyr.
class RunningVyr {
public:
    explicit RunningVyr(const std::string& command)
        : pipe_(::popen(("echo $$; exec " + command + " 2>/dev/null").c_str(), "r")) {
        pid_ = std::stoi(ReadLine());
    }
    ~RunningVyr() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
        }
        if (pipe_ != nullptr) {
            ::pclose(pipe_);
        }
    }
    RunningVyr(const RunningVyr&) = delete;
    RunningVyr& operator=(const RunningVyr&) = delete;

    // The next line of standard output without its newline; "" at the end.
    std::string ReadLine() {
        char buffer[4096];
        if (pipe_ == nullptr || std::fgets(buffer, sizeof buffer, pipe_) == nullptr) {
            return {};
        }
        std::string line(buffer);
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
        }
        return line;
    }

private:
    std::FILE* pipe_;
    int pid_ = -1;
};

// Waits for a file the program creates; the deadline only bounds a failing test.
bool AppearsSoon(const fs::path& file) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!fs::exists(file)) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
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

    fs::path expected;
    std::string expectedLine;
    switch (c.expect) {
        case Expect::kWorkingFolder:
            expected = work;
            expectedLine = "data folder: " + program.parent_path().string() +
                           " (language.ini and usrinfo.bin in the working folder " + work.string() +
                           ")";
            break;
        case Expect::kXdgVyr:
            expected = fs::path(xdg) / "vyr";
            break;
        case Expect::kHomeShareVyr:
            expected = home / ".local" / "share" / "vyr";
            break;
        case Expect::kNamed:
            expected = named;
            break;
    }
    if (expectedLine.empty()) {
        expectedLine = "data folder: " + expected.string();
    }

    const std::set<std::string> installedBefore = FilesUnder(installTree);
    {
        RunningVyr vyr("env -C " + ShellQuote(work.string()) +
                       " HOME=" + ShellQuote(home.string()) + " XDG_DATA_HOME=" + ShellQuote(xdg) +
                       " QT_QPA_PLATFORM=offscreen " + ShellQuote(program.string()) +
                       (c.named ? " --data " + ShellQuote(named.string()) : ""));
        ASSERT_EQ(vyr.ReadLine(), expectedLine);
        ASSERT_TRUE(AppearsSoon(expected / "language.ini")) << expected;
    }
    EXPECT_EQ(fs::file_size(expected / "language.ini"), 16u);
    EXPECT_EQ(FilesUnder(installTree), installedBefore);
    const std::set<std::string> inWork = FilesUnder(work);
    if (c.expect == Expect::kWorkingFolder) {
        EXPECT_EQ(inWork, std::set<std::string>{(work / "language.ini").string()});
    } else {
        EXPECT_TRUE(inWork.empty());
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
        DataCase{"BuildTree", false, "/xdg", false, Expect::kWorkingFolder},
        DataCase{"Installed", true, "/xdg", false, Expect::kXdgVyr},
        // A relative XDG_DATA_HOME is invalid by the XDG rules: ~/.local/share is used.
        DataCase{"InstalledRelativeXdg", true, "relative/share", false, Expect::kHomeShareVyr},
        DataCase{"InstalledNamed", true, "/xdg", true, Expect::kNamed},
        DataCase{"BuildTreeNamed", false, "/xdg", true, Expect::kNamed}),
    [](const testing::TestParamInfo<DataCase>& row) { return std::string(row.param.name); });

// The working folder and the folder override are process-wide: each test puts them back.
class DataFolderInProcess : public testing::Test {
protected:
    void TearDown() override {
        fs::current_path(startFolder_);
        vyr::SetExeDirOverride("");
    }
    const fs::path startFolder_ = fs::current_path();
    const vyr::test::TempDir temp_;
};

TEST_F(DataFolderInProcess, EveryWriterFollowsTheFolderInUse) {
    const std::string folder = (fs::canonical(temp_.path()) / "data").string();
    vyr::DataFolder chosen{vyr::DataLayout::kNamed, folder, folder};
    std::string error;
    ASSERT_EQ(vyr::UseDataFolder(chosen, &error), 0) << error;

    EXPECT_EQ(fs::current_path(), folder);  // language.ini and usrinfo.bin by bare name
    EXPECT_EQ(vyr::GetExeDir(), folder);
    EXPECT_NE(vyr::GetExecutableDir(), folder);
    const vyr::CVyrApp app({}, {});
    EXPECT_EQ(app.exeDir(), folder);
    ASSERT_EQ(vyr::EnsurePatientFolders(vyr::GetExeDir(), "123", nullptr), 0);
    EXPECT_TRUE(fs::is_directory(folder + "/jpg/123"));
    EXPECT_TRUE(fs::is_directory(folder + "/video"));
}

TEST_F(DataFolderInProcess, AnInstalledProgramNeverKeepsItsDataInItsInstallation) {
    const fs::path bin = fs::path(VYR_INSTALLED_PATH).parent_path();
    vyr::DataFolderInputs inputs{bin.string(), "", (bin.parent_path() / "share").string(),
                                 temp_.path().string(), temp_.path().string()};
    vyr::DataFolder chosen;
    std::string error;
    EXPECT_EQ(vyr::ChooseDataFolder(inputs, &chosen, &error), -1);
    EXPECT_NE(error.find("inside the installation"), std::string::npos) << error;
    inputs.xdgDataHome = "";
    ASSERT_EQ(vyr::ChooseDataFolder(inputs, &chosen, &error), 0) << error;
    EXPECT_EQ(chosen.folder, (temp_.path() / ".local/share/vyr").string());
}

TEST_F(DataFolderInProcess, AFolderThatCannotBeUsedChangesNothing) {
    const fs::path file = temp_.path() / "a-file";
    std::FILE* f = std::fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    const std::string before = vyr::GetExeDir();
    for (const fs::path& folder : {file, file / "below"}) {
        vyr::DataFolder chosen{vyr::DataLayout::kNamed, folder.string(), folder.string()};
        std::string error;
        EXPECT_EQ(vyr::UseDataFolder(chosen, &error), -1);
        EXPECT_NE(error.find(folder.string()), std::string::npos) << error;
        EXPECT_EQ(fs::current_path(), startFolder_);
        EXPECT_EQ(vyr::GetExeDir(), before);
    }
}

}  // namespace
