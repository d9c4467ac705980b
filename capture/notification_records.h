// The 260-byte records that the link's workers hand to the notification target: a snapshot's
// path, the camera's capture command, and a device event (code and, for a received picture, its
// path). Every record starts zero-filled, so a path is always terminated.
#pragma once

#include <cstdint>
#include <string>

#include "platform/notification_target.h"

namespace vyr {

// The snapshot record: the path from offset 0. The caller has checked that the path has at most
// kNotificationPathMaxChars characters; a longer one would be cut at that length.
NotificationRecord MakeSnapshotRecord(const std::string& path);

// The record of the camera's capture command: uint16 1, then the packet's bytes 6 and 7.
NotificationRecord MakeCaptureCommandRecord(uint8_t param1, uint8_t param2);

// A DeviceEvent: uint16 code, two zero bytes, then the path (at most kNotificationPathMaxChars
// characters, as above) from offset 4.
NotificationRecord MakeDeviceEvent(uint16_t code, const std::string& path = {});

}  // namespace vyr
