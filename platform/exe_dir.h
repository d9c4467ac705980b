// The folder of the running executable, under which pictures (jpg/) and videos (video/) are kept.
#pragma once

#include <string>

namespace vyr {

// The executable's folder without a trailing '/', read from /proc/self/exe at full length.
// Empty when the executable's path cannot be read or contains no '/'.
std::string GetExeDir();

// The folder part of an executable path: everything before the last '/', or "" without one.
std::string ExeDirOf(const std::string& exePath);

}  // namespace vyr
