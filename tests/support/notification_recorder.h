// A notification target for tests: keeps every snapshot record and device event in arrival order,
// the link states as reported and the settings copies sent, and waits with a deadline for them.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/notification_target.h"

namespace vyr::test {

class NotificationRecorder : public NotificationTarget {
public:
    struct Entry {
        bool isSnapshot = false;  // OnSnapshot; otherwise OnDeviceEvent
        NotificationRecord record{};
        // The record read as a path: from offset 0 for a snapshot, from offset 4 for an event.
        std::string Path() const {
            const char* text = reinterpret_cast<const char*>(record.data()) + (isSnapshot ? 0 : 4);
            return std::string(text, ::strnlen(text, isSnapshot ? 260 : 256));
        }
        int Code() const { return record[0] | record[1] << 8; }
    };

    void OnSnapshot(const NotificationRecord& record) override { Add(&entries_, {true, record}); }
    void OnSettingsChanged(const SettingsBytes& bytes) override { Add(&settings_, bytes); }
    void OnDeviceEvent(const NotificationRecord& event) override { Add(&entries_, {false, event}); }
    void OnLinkState(const LinkStateReport& report) override { Add(&linkStates_, report); }

    bool WaitForCount(size_t count, std::chrono::milliseconds deadline = std::chrono::seconds(10)) {
        return Wait([&] { return entries_.size() >= count; }, deadline);
    }
    // Waits until the last reported link state is state.
    bool WaitForLinkState(LinkState state,
                          std::chrono::milliseconds deadline = std::chrono::seconds(10)) {
        return Wait([&] { return !linkStates_.empty() && linkStates_.back().state == state; },
                    deadline);
    }
    std::vector<Entry> Entries() const {
        std::lock_guard lock(mutex_);
        return entries_;
    }
    size_t Count() const { return Entries().size(); }
    std::vector<LinkStateReport> LinkStates() const {
        std::lock_guard lock(mutex_);
        return linkStates_;
    }
    std::vector<SettingsBytes> SettingsCopies() const {
        std::lock_guard lock(mutex_);
        return settings_;
    }

private:
    template <typename T>
    void Add(std::vector<T>* list, const T& item) {
        std::lock_guard lock(mutex_);
        list->push_back(item);
        changed_.notify_all();
    }
    template <typename Condition>
    bool Wait(Condition condition, std::chrono::milliseconds deadline) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, deadline, condition);
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Entry> entries_;
    std::vector<LinkStateReport> linkStates_;
    std::vector<SettingsBytes> settings_;
};

}  // namespace vyr::test
