// A snapshot: the decode thread saves the picture it has just decoded as a BMP file in the current
// patient's folder, named from the local time, and tells the notification target the path once the
// file is complete.
#pragma once

namespace vyr {

struct LinkShared;
struct YuvPicture;

// Results of TakeSnapshot.
enum SnapshotResult : int {
    kSnapshotSaved = 0,
    kSnapshotNotWritten = -1,   // conversion failed or the file could not be written (the console
                                // says why): no file is left and the target is told nothing
    kSnapshotPathTooLong = -2,  // the path has more than kNotificationPathMaxChars characters:
                                // nothing written, nothing sent
};

// Clears captureRequested, converts the picture at its own size to 24-bit BGR and writes it as
// {exe dir}/jpg/{patient}/YYYYMMDD_hhmmss.bmp from the local clock; when that name is taken (two
// snapshots within one second) as the first free YYYYMMDD_hhmmss_NN.bmp, so no snapshot replaces
// another. The path written goes into lastSnapshotPath and to OnSnapshot. Returns a
// SnapshotResult.
int TakeSnapshot(LinkShared& link, const YuvPicture& picture);

}  // namespace vyr
