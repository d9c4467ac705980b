// The picture server: the camera connects to it to upload a picture it has taken. One connection
// at a time: accept (camera only), receive 8230-byte blocks until the picture is complete or the
// connection breaks, close, then store the picture as a BMP in the patient's folder and announce
// it as device event 1.
#pragma once

namespace vyr {

struct LinkShared;

// The thread procedure; returns when the link's stop flag is set (Stop shuts the listener and the
// connection being served down) or at once when the listener cannot be set up.
void PictureServer(LinkShared& link);

}  // namespace vyr
