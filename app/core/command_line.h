// The program's one option: --camera ADDRESS (or --camera=ADDRESS), the camera's IPv4 address for
// the camera link, so that the demo and the tests can point the program at the simulator. Without
// it the camera is expected at 192.168.1.1.
#pragma once

#include <string>

namespace vyr {

struct CommandLine {
    bool ok = true;
    std::string error;  // why the arguments were refused, when !ok
    std::string cameraAddress;
};

// Parses the arguments after the program name (Qt has already removed its own). The address must
// be a dotted IPv4 address.
CommandLine ParseCommandLine(int argc, const char* const* argv);

}  // namespace vyr
