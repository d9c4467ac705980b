// The data folder decision. The install marker is looked up through the relative path from the
// binary folder to it (VYR_INSTALL_MARKER_FROM_BINDIR, fixed by the build from GNUInstallDirs), so
// it holds for any prefix: /usr from the Debian package, /usr/local or a home folder from
// `cmake --install`. A build tree or a lone copy of the executable has no marker beside it.
#include "platform/data_folder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/exe_dir.h"

#ifndef VYR_INSTALL_MARKER_FROM_BINDIR
#error "the build defines VYR_INSTALL_MARKER_FROM_BINDIR"
#endif

namespace vyr {
namespace {

namespace fs = std::filesystem;

constexpr char kProgramFolderName[] = "vyr";

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// Absolute and lexically normal, without a trailing '/' (the root stays "/").
std::string NormalFolder(const fs::path& base, const std::string& folder) {
    fs::path path = (base / folder).lexically_normal();
    if (!path.has_filename() && path != path.root_path()) {
        path = path.parent_path();
    }
    return path.string();
}

std::string HomeFolder(const DataFolderInputs& inputs) {
    return fs::path(inputs.home).is_absolute() ? inputs.home : std::string();
}

bool IsFolder(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Creates folder and its missing parents, each with mode 0700; an existing folder is kept as it
// is (also one that a read-only mount or a parent without write access would refuse to create).
// Returns 0, or the errno of the first failure.
int MakeFolders(const fs::path& folder) {
    fs::path partial;
    for (const fs::path& part : folder) {
        partial /= part;
        if (::mkdir(partial.c_str(), 0700) != 0) {
            const int failure = errno;
            if (!IsFolder(partial)) {
                return failure == EEXIST ? ENOTDIR : failure;
            }
        }
    }
    return 0;
}

// Whether two paths name one folder, symbolic links and ".." resolved as far as they exist.
bool SameFolder(const fs::path& a, const fs::path& b) {
    std::error_code error;
    const fs::path realA = fs::weakly_canonical(a, error);
    if (error) {
        return false;
    }
    const fs::path realB = fs::weakly_canonical(b, error);
    return !error && realA == realB;
}

}  // namespace

DataFolderInputs ProcessDataFolderInputs(const std::string& namedFolder) {
    DataFolderInputs inputs;
    inputs.executableDir = GetExecutableDir();
    inputs.namedFolder = namedFolder;
    inputs.xdgDataHome = Environment("XDG_DATA_HOME");
    inputs.home = Environment("HOME");
    if (inputs.home.empty()) {
        if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir) {
            inputs.home = entry->pw_dir;
        }
    }
    std::error_code error;
    inputs.workingDir = fs::current_path(error).string();
    return inputs;
}

bool IsInstalledExecutableDir(const std::string& executableDir) {
    if (executableDir.empty()) {
        return false;
    }
    std::error_code error;
    return fs::is_regular_file(fs::path(executableDir) / VYR_INSTALL_MARKER_FROM_BINDIR, error);
}

int ChooseDataFolder(const DataFolderInputs& inputs, DataFolder* chosen, std::string* error) {
    const fs::path working(inputs.workingDir);
    if (!inputs.namedFolder.empty()) {
        chosen->layout = DataLayout::kNamed;
        chosen->folder = NormalFolder(working, inputs.namedFolder);
        chosen->filesFolder = chosen->folder;
        return 0;
    }
    if (inputs.executableDir.empty()) {
        *error = "cannot tell where the program lies (/proc/self/exe)";
        return -1;
    }
    if (!IsInstalledExecutableDir(inputs.executableDir)) {
        chosen->layout = DataLayout::kBesideExecutable;
        chosen->folder = inputs.executableDir;
        chosen->filesFolder = inputs.workingDir;
        return 0;
    }
    fs::path dataHome;
    if (fs::path(inputs.xdgDataHome).is_absolute()) {
        dataHome = inputs.xdgDataHome;
    } else if (const std::string home = HomeFolder(inputs); !home.empty()) {
        dataHome = fs::path(home) / ".local" / "share";
    } else {
        *error = "no home folder to keep the data in: set HOME or XDG_DATA_HOME, or use --data DIR";
        return -1;
    }
    const std::string folder = NormalFolder(dataHome, kProgramFolderName);
    // XDG_DATA_HOME naming the installation's own share folder would put the data among the
    // installed files.
    const fs::path marker = fs::path(inputs.executableDir) / VYR_INSTALL_MARKER_FROM_BINDIR;
    if (SameFolder(folder, marker.parent_path()) || SameFolder(folder, inputs.executableDir)) {
        *error = "the data folder " + folder + " would be inside the installation: set " +
                 "XDG_DATA_HOME elsewhere, or use --data DIR";
        return -1;
    }
    chosen->layout = DataLayout::kInstalled;
    chosen->folder = folder;
    chosen->filesFolder = folder;
    return 0;
}

int UseDataFolder(const DataFolder& chosen, std::string* error) {
    if (chosen.layout == DataLayout::kBesideExecutable) {
        return 0;
    }
    int failure = MakeFolders(chosen.folder);
    if (failure == 0 && ::chdir(chosen.folder.c_str()) != 0) {
        failure = errno;
    }
    if (failure != 0) {
        *error = "cannot use the data folder " + chosen.folder + ": " + std::strerror(failure);
        return -1;
    }
    SetExeDirOverride(chosen.folder);
    return 0;
}

std::string DataFolderLine(const DataFolder& chosen) {
    std::string line = "data folder: " + chosen.folder;
    if (chosen.layout == DataLayout::kBesideExecutable) {
        line += " (language.ini and usrinfo.bin in the working folder " + chosen.filesFolder + ")";
    }
    return line;
}

}  // namespace vyr
