// The texts of the link-state label over the live area, in the six languages of the main window
// (0 English, 1 Simplified Chinese, 2 Spanish, 3 Portuguese, 4 Italian, 5 Traditional Chinese);
// any other index gives the English text, the language of the window's templates.
#pragma once

#include <QString>

#include "platform/notification_target.h"

namespace vyr {

// What the label says in a state of the link; empty while streaming or stopped.
QString LinkStateText(int languageIndex, LinkState state);

// While a stream stands but its last picture is older than a second: "No picture for N s".
QString NoPictureText(int languageIndex, int seconds);

}  // namespace vyr
