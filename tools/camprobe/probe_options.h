// camprobe's command line: the options, their defaults and the usage text.
#pragma once

#include <cstdint>
#include <string>

#include "linkstate/link_ports.h"

namespace vyr::probe {

struct Options {
    std::string camera;
    int seconds = 5;
    int cameraType = -1;  // -1: the one in language.ini
    bool json = false;
    LinkPorts ports;   // control and picture may be 0: a free port of the system's choosing
    std::string root;  // empty: the executable's folder, as the client
    std::string patient = "probe";
    bool snapshot = false;
    int recordSeconds = 0;  // 0: no recording
    bool listen = false;
};

// Fills *options from argv. False on an unknown option, a missing or malformed value, or a
// combination that cannot run (no camera, no time to watch).
bool ParseOptions(int argc, char** argv, Options* options);

void PrintUsage();

}  // namespace vyr::probe
