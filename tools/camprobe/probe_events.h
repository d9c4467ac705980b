// camprobe's notification target: keeps every notification of the link in arrival order as a code
// and a path, and prints each one as it arrives when asked to. Snapshot notices get code 11 (the
// message number the client's window receives them under), with the snapshot's path, or an empty
// path when the record is the camera button's capture command (01 00 and two parameter bytes).
// It also keeps the link's last state and number of stream connections, and prints each change
// of them as "link: STATE, connections N".
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/notification_target.h"

namespace vyr::probe {

inline constexpr int kSnapshotNoticeCode = 11;

struct ProbeEvent {
    int code = 0;
    std::string path;
};

class ProbeEvents : public NotificationTarget {
public:
    explicit ProbeEvents(bool printEach) : printEach_(printEach) {}

    // Called from the link's worker threads.
    void OnSnapshot(const NotificationRecord& record) override;
    void OnSettingsChanged(const SettingsBytes&) override {}
    void OnDeviceEvent(const NotificationRecord& event) override;
    void OnLinkState(const LinkStateReport& report) override;

    std::vector<ProbeEvent> Events() const;
    LinkStateReport LastLinkState() const;

private:
    void Add(ProbeEvent event, const std::string& detail);

    const bool printEach_;
    mutable std::mutex mutex_;
    std::vector<ProbeEvent> events_;
    LinkStateReport linkState_;
};

// "stopped", "connecting", "no camera", "stream lost" or "streaming".
const char* LinkStateName(LinkState state);

}  // namespace vyr::probe
