// Notification records read back into codes and paths; see probe_events.h.
#include "tools/camprobe/probe_events.h"

#include <cstdio>
#include <cstring>

namespace vyr::probe {
namespace {

// The NUL-terminated text at offset within the record; a record without a terminator is read to
// its end.
std::string TextAt(const NotificationRecord& record, size_t offset) {
    const char* text = reinterpret_cast<const char*>(record.data()) + offset;
    return std::string(text, ::strnlen(text, record.size() - offset));
}

}  // namespace

void ProbeEvents::OnSnapshot(const NotificationRecord& record) {
    // A path never starts with the byte 01, so the two kinds of record cannot be confused.
    if (record[0] == 0x01 && record[1] == 0x00) {
        char detail[64];
        std::snprintf(detail, sizeof detail, " (capture button, parameters %d %d)", record[2],
                      record[3]);
        Add({kSnapshotNoticeCode, ""}, detail);
        return;
    }
    const std::string path = TextAt(record, 0);
    Add({kSnapshotNoticeCode, path}, " snapshot " + path);
}

void ProbeEvents::OnDeviceEvent(const NotificationRecord& event) {
    const int code = event[0] | event[1] << 8;
    const std::string path = TextAt(event, 4);
    Add({code, path}, path.empty() ? std::string() : " path " + path);
}

void ProbeEvents::OnLinkState(const LinkStateReport& report) {
    std::lock_guard lock(mutex_);
    linkState_ = report;
    std::printf("link: %s, connections %u\n", LinkStateName(report.state), report.connections);
    std::fflush(stdout);
}

LinkStateReport ProbeEvents::LastLinkState() const {
    std::lock_guard lock(mutex_);
    return linkState_;
}

const char* LinkStateName(LinkState state) {
    switch (state) {
        case LinkState::kStopped:
            return "stopped";
        case LinkState::kConnecting:
            return "connecting";
        case LinkState::kNoCamera:
            return "no camera";
        case LinkState::kStreamLost:
            return "stream lost";
        case LinkState::kStreaming:
            return "streaming";
    }
    return "?";
}

std::vector<ProbeEvent> ProbeEvents::Events() const {
    std::lock_guard lock(mutex_);
    return events_;
}

void ProbeEvents::Add(ProbeEvent event, const std::string& detail) {
    std::lock_guard lock(mutex_);
    if (printEach_) {
        // Under the lock, so that the printed order is the stored order.
        std::printf("event: code %d%s\n", event.code, detail.c_str());
        std::fflush(stdout);
    }
    events_.push_back(std::move(event));
}

}  // namespace vyr::probe
