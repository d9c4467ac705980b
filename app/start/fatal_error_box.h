// The program's answer to a failure that it cannot go on after (the H.264 decoder cannot be set
// up): the text in a message box with an OK button, then the end of the process with exit code 1.
#pragma once

namespace vyr {

// Installs the handler for the video decoder's fatal set-up failures. The failure happens on the
// decode thread; the box is shown on the user-interface thread (queued, so the decode thread
// never waits for it and the user-interface thread may be joining it meanwhile).
void InstallFatalErrorBox();

}  // namespace vyr
