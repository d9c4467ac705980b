// The program's options. --camera ADDRESS (or --camera=ADDRESS): the camera's IPv4 address for the
// camera link, so that the demo and the tests can point the program at the simulator; without it
// the camera is expected at 192.168.1.1. --data DIR (or --data=DIR): the folder that keeps
// language.ini, usrinfo.bin, jpg/ and video/ (platform/data_folder.h), say a backed-up share.
#pragma once

#include <string>

namespace vyr {

struct CommandLine {
    bool ok = true;
    std::string error;  // why the arguments were refused, when !ok
    std::string cameraAddress;
    std::string dataFolder;  // "" when --data was not given
};

inline constexpr char kUsage[] = "usage: vyr [--camera ADDRESS] [--data DIR]";

// Parses the arguments after the program name (Qt has already removed its own). The address must
// be a dotted IPv4 address; DIR must not be empty.
CommandLine ParseCommandLine(int argc, const char* const* argv);

}  // namespace vyr
