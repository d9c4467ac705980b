// The snapshot sequence shared by the H.264 and the Motion-JPEG frame paths.
#include "capture/snapshot.h"

#include <cstdio>
#include <vector>

#include "capture/bgr_conversion.h"
#include "capture/bitmap_file.h"
#include "capture/capture_paths.h"
#include "capture/local_clock.h"
#include "capture/notification_records.h"
#include "linkstate/link_shared.h"
#include "platform/notification_target.h"

namespace vyr {

int TakeSnapshot(LinkShared& link, const YuvPicture& picture) {
    link.snapshotFlags.ClearCaptureRequested();
    const std::string path = PhotoFolder(link) + "/" + SnapshotFileName(LocalClockNow());
    if (path.size() > kNotificationPathMaxChars) {
        // The notification could carry only a shortened path, which would name another file.
        std::printf("snapshot path too long (%zu characters), not saved!\n", path.size());
        std::fflush(stdout);
        return kSnapshotPathTooLong;
    }
    Globals().SetLastSnapshotPath(path);

    int result = kSnapshotNotWritten;
    std::vector<uint8_t> bgr;
    if (ConvertYuvToBgr24(picture, &bgr) == 0 &&
        SaveBitmapFile(bgr.data(), picture.width, picture.height, 24, path.c_str()) == 0) {
        link.counters.snapshotsTaken.fetch_add(1, std::memory_order_relaxed);
        result = kSnapshotSaved;
    }
    if (NotificationTarget* target = link.notifyWindow.load()) {
        target->OnSnapshot(MakeSnapshotRecord(path));
    }
    return result;
}

}  // namespace vyr
