// What worker threads and secondary windows report to the main window. The main window (and, for
// its own needs, the analyzer) implements this; the core calls it without knowing about Qt.
//
// Every notification carries its values by copy, so the sender's buffers may change or vanish as
// soon as the call returns. Implementations on a window deliver to the window's own thread without
// blocking the caller (a queued call): a worker thread never waits for the user-interface thread,
// so the user-interface thread may join workers (the camera link's Stop) without a deadlock.
#pragma once

#include <array>
#include <cstdint>

namespace vyr {

// The 260-byte record of a device notification. For a snapshot it holds the NUL-terminated path
// of the BMP just written; for the camera's capture command it begins with the 16-bit value 1 and
// the packet's two parameter bytes; for a device event it is a DeviceEvent (16-bit code, 2 zero
// bytes, then the NUL-terminated path of a received picture).
using NotificationRecord = std::array<uint8_t, 260>;

// The 16-byte image of language.ini.
using SettingsBytes = std::array<uint8_t, 16>;

// Where the camera link stands, as its stream thread sees it.
enum class LinkState : uint8_t {
    kStopped,     // the link is not running
    kConnecting,  // the first attempt of this run is under way
    kNoCamera,    // an attempt failed (no answer, refused, not identified); another follows
    kStreamLost,  // an established stream ended or stalled; reconnecting
    kStreaming,   // a stream connection stands
};

struct LinkStateReport {
    LinkState state = LinkState::kStopped;
    uint32_t connections = 0;  // stream connections made since the link was started
};

class NotificationTarget {
public:
    virtual ~NotificationTarget() = default;

    // A snapshot file was written, or the camera's button asked for a capture.
    virtual void OnSnapshot(const NotificationRecord& record) = 0;
    // The settings were changed and saved (settings dialog OK, analyzer save).
    virtual void OnSettingsChanged(const SettingsBytes& settings) = 0;
    // An event from the camera: 0 capture released, 1 picture received, 5 show no picture,
    // 6 delete all pictures.
    virtual void OnDeviceEvent(const NotificationRecord& event) = 0;
    // The link's state changed. A target that does not show it (a secondary window that only
    // takes settings) need not implement it.
    virtual void OnLinkState(const LinkStateReport& /*report*/) {}
};

}  // namespace vyr
