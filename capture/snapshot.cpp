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
    const std::string folder = PhotoFolder(link);
    const std::string stem = SnapshotFileStem(LocalClockNow());
    const std::string path = folder + "/" + stem + ".bmp";
    if (path.size() > kNotificationPathMaxChars) {
        // The notification could carry only a shortened path, which would name another file.
        std::printf("snapshot path too long (%zu characters), not saved!\n", path.size());
        std::fflush(stdout);
        return kSnapshotPathTooLong;
    }

    std::vector<uint8_t> bgr;
    std::string stored;
    if (ConvertYuvToBgr24(picture, &bgr) != 0) {
        std::printf("%s not saved: the picture does not convert!\n", path.c_str());
        std::fflush(stdout);
        return kSnapshotNotWritten;
    }
    // A numbered name may be longer than the first one; it too must fit the notification.
    if (SaveNumberedBitmapFile(bgr.data(), picture.width, picture.height, 24, folder, stem,
                               kNotificationPathMaxChars, &stored) != 0) {
        return kSnapshotNotWritten;  // the console has said why; no file, nothing to show
    }
    Globals().SetLastSnapshotPath(stored);
    link.counters.snapshotsTaken.fetch_add(1, std::memory_order_relaxed);
    if (NotificationTarget* target = link.notifyWindow.load()) {
        target->OnSnapshot(MakeSnapshotRecord(stored));
    }
    return kSnapshotSaved;
}

}  // namespace vyr
