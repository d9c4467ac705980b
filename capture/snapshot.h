// A snapshot: the decode thread saves the picture it has just decoded as a BMP file in the current
// patient's folder, named from the local time, and tells the notification target the path.
#pragma once

namespace vyr {

struct LinkShared;
struct YuvPicture;

// Results of TakeSnapshot.
enum SnapshotResult : int {
    kSnapshotSaved = 0,
    kSnapshotNotWritten = -1,   // conversion failed or the file could not be written; the target
                                // is still told the path, as for a written file
    kSnapshotPathTooLong = -2,  // the path has more than kNotificationPathMaxChars characters:
                                // nothing written, nothing sent
};

// Clears captureRequested, builds {exe dir}/jpg/{patient}/YYYYMMDD_hhmmss.bmp from the local
// clock into lastSnapshotPath, converts the picture at its own size to 24-bit BGR and writes it
// with SaveBitmapFile, then sends the path with OnSnapshot. A file of the same name (two
// snapshots within one second) is replaced. Returns a SnapshotResult.
int TakeSnapshot(LinkShared& link, const YuvPicture& picture);

}  // namespace vyr
