// Building the notification records byte by byte (little-endian codes).
#include "capture/notification_records.h"

#include <algorithm>
#include <cstring>

#include "capture/capture_paths.h"

namespace vyr {
namespace {

void CopyPath(const std::string& path, size_t offset, NotificationRecord* record) {
    const size_t length = std::min(path.size(), kNotificationPathMaxChars);
    std::memcpy(record->data() + offset, path.data(), length);
}

}  // namespace

NotificationRecord MakeSnapshotRecord(const std::string& path) {
    NotificationRecord record{};
    CopyPath(path, 0, &record);
    return record;
}

NotificationRecord MakeCaptureCommandRecord(uint8_t param1, uint8_t param2) {
    NotificationRecord record{};
    record[0] = 1;
    record[2] = param1;
    record[3] = param2;
    return record;
}

NotificationRecord MakeDeviceEvent(uint16_t code, const std::string& path) {
    NotificationRecord record{};
    record[0] = static_cast<uint8_t>(code & 0xFF);
    record[1] = static_cast<uint8_t>(code >> 8);
    CopyPath(path, 4, &record);
    return record;
}

}  // namespace vyr
