// The command line of camsim: what the camera does, where the client's servers are, and the
// commands to send at start. HelpText explains all of it, including the commands read from
// standard input.
#pragma once

#include <string>
#include <vector>

#include "tools/camsim/camera_button.h"
#include "tools/camsim/camera_config.h"

namespace vyr::camsim {

struct CliOptions {
    CameraConfig camera;
    ButtonTarget control;               // the client's control port
    ButtonTarget picture;               // the client's picture port
    std::vector<std::string> commands;  // from --send, run in order after start
    bool help = false;
};

// Fills *options from argv. False with *error on an unknown option or a bad value.
bool ParseCommandLine(int argc, const char* const* argv, CliOptions* options, std::string* error);

std::string HelpText();

}  // namespace vyr::camsim
