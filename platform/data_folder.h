// Where the program keeps its files, chosen once at start-up from where the executable lies:
// - beside the executable (a build tree, or a copy carried around on its own): jpg/ and video/ in
//   the executable's folder, language.ini and usrinfo.bin in the working folder, as always;
// - installed (the install step's marker lies where the build placed it relative to the
//   executable): all four in $XDG_DATA_HOME/vyr, ~/.local/share/vyr when that is unset;
// - named (--data DIR): all four in DIR, say a backed-up share of the clinic.
// In the last two the program works in that folder (it becomes the working folder, so files
// opened by bare name land there) and GetExeDir answers with it, so every writer follows.
// Write access decides nothing: root can write into /usr/bin, and a clinic may run the program as
// root; an installed program must still never write into its installation folders.
#pragma once

#include <string>

namespace vyr {

enum class DataLayout { kBesideExecutable, kInstalled, kNamed };

struct DataFolderInputs {
    std::string executableDir;  // the running executable's folder
    std::string namedFolder;    // --data DIR; "" when not given
    std::string xdgDataHome;    // $XDG_DATA_HOME; "" when unset
    std::string home;           // $HOME, else the password entry's home folder; may be ""
    std::string workingDir;     // the working folder the program was started in
};

struct DataFolder {
    DataLayout layout = DataLayout::kBesideExecutable;
    std::string folder;       // absolute, no trailing '/': holds jpg/ and video/
    std::string filesFolder;  // where language.ini and usrinfo.bin are: the working folder to use
};

// The inputs of this process: /proc/self/exe, the environment and the working folder.
DataFolderInputs ProcessDataFolderInputs(const std::string& namedFolder);

// Whether the install step's marker lies where the build put it, seen from executableDir.
bool IsInstalledExecutableDir(const std::string& executableDir);

// Decides the layout and its folders. A relative --data DIR is taken from the working folder; a
// relative $XDG_DATA_HOME is ignored, as the XDG base directory rules say. Returns 0, or -1 with a
// reason in *error when no folder can be named (no executable folder, no home folder) or when an
// installed program's folder would lie inside its installation (XDG_DATA_HOME set to its share/).
int ChooseDataFolder(const DataFolderInputs& inputs, DataFolder* chosen, std::string* error);

// Puts the choice into effect: for an installed or named layout, creates the folder with its
// missing parents (mode 0700: patients' pictures are private), makes it the working folder and
// GetExeDir's answer. Beside the executable nothing changes. Returns 0, or -1 with a reason in
// *error when the folder cannot be made or entered: the program must not fall back to another
// folder then, or pictures would be kept where nobody looks for them.
int UseDataFolder(const DataFolder& chosen, std::string* error);

// The one console line that says where the data is: "data folder: FOLDER", followed for the
// layout beside the executable by where language.ini and usrinfo.bin are.
std::string DataFolderLine(const DataFolder& chosen);

}  // namespace vyr
