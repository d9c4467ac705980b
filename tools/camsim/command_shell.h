// The commands camsim takes from its command line and from standard input, one per line:
// the button's codes, picture uploads, status and quit.
#pragma once

#include <functional>
#include <string>

#include "tools/camsim/camera_button.h"

namespace vyr::camsim {

class CommandShell {
public:
    enum class Outcome { Done, Failed, Quit };

    // log prints one line; status returns the camera's status text for the "status" command.
    CommandShell(ButtonTarget control, ButtonTarget picture,
                 std::function<void(const std::string&)> log, std::function<std::string()> status);

    // Runs one command line (blank lines and lines starting with # do nothing).
    Outcome Run(const std::string& line);

private:
    Outcome SendCode(const std::string& word, uint16_t code, uint8_t param1, uint8_t param2);
    Outcome Upload(const std::string& path, const std::string& name);

    ButtonTarget control_;
    ButtonTarget picture_;
    std::function<void(const std::string&)> log_;
    std::function<std::string()> status_;
};

}  // namespace vyr::camsim
