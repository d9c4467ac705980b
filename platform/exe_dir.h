// {exe dir}: the folder under which pictures (jpg/) and videos (video/) are kept. It is the
// running executable's folder, unless start-up chose another data folder (platform/data_folder.h),
// after which every caller of GetExeDir gets that folder instead.
#pragma once

#include <string>

namespace vyr {

// {exe dir} without a trailing '/': the folder SetExeDirOverride named, else the executable's
// folder. Empty when neither is known.
std::string GetExeDir();

// The running executable's own folder without a trailing '/', read from /proc/self/exe at full
// length, whatever data folder start-up chose. Empty when the path cannot be read or has no '/'.
std::string GetExecutableDir();

// The folder part of an executable path: everything before the last '/', or "" without one.
std::string ExeDirOf(const std::string& exePath);

// Makes GetExeDir return folder from now on; "" goes back to the executable's folder. Start-up
// calls it once, before any thread that writes pictures or videos runs.
void SetExeDirOverride(const std::string& folder);

}  // namespace vyr
