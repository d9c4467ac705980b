// Runs a shell command (the ffmpeg and ffprobe oracles) and collects its standard output.
#pragma once

#include <string>

namespace vyr::test {

struct CommandResult {
    int exitCode = -1;
    std::string output;  // standard output only; redirect 2>&1 in the command to include errors
};

CommandResult RunCommand(const std::string& command);

// Quotes text for use as one shell word.
std::string ShellQuote(const std::string& text);

}  // namespace vyr::test
