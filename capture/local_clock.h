// The local wall-clock time that names snapshot and video files and decides when a recording is
// split. Tests replace the source to set the time instead of waiting for it.
#pragma once

#include <ctime>

namespace vyr {

// Returns the broken-down local time (tm_year since 1900, tm_mon from 0, as std::localtime).
using LocalClockSource = std::tm (*)();

// The local time now, from the installed source.
std::tm LocalClockNow();

// Installs source for every later call of LocalClockNow; nullptr restores the system clock.
void SetLocalClockForTest(LocalClockSource source);

}  // namespace vyr
