// Shared link state: the process-wide values and the small locked parts (the patient folder name,
// the stream socket registration, the identification hand-over). None of them is on the per-block
// path.
#include "linkstate/link_shared.h"

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace vyr {

StreamGlobals& Globals() {
    static StreamGlobals globals;
    return globals;
}

void StreamGlobals::SetLastSnapshotPath(const std::string& path) {
    std::lock_guard lock(snapshotPathMutex_);
    lastSnapshotPath_ = path;
}

std::string StreamGlobals::LastSnapshotPath() const {
    std::lock_guard lock(snapshotPathMutex_);
    return lastSnapshotPath_;
}

void IdentificationHandOver::Reset() {
    std::lock_guard lock(mutex_);
    settled_ = false;
}

void IdentificationHandOver::Settle() {
    {
        std::lock_guard lock(mutex_);
        settled_ = true;
    }
    settledChanged_.notify_all();
}

bool IdentificationHandOver::Wait(const std::atomic<uint16_t>& stopRequested) {
    std::unique_lock lock(mutex_);
    // Stop does not notify; a short timed wait lets the waiter see the stop flag promptly.
    while (!settled_ && stopRequested.load() == 0) {
        settledChanged_.wait_for(lock, std::chrono::milliseconds(5));
    }
    return settled_;
}

void LinkShared::ReportLinkState(LinkState state, bool reportToTarget) {
    const uint64_t connections = counters.streamConnections.load();
    const LinkState previous = linkState_.exchange(state);
    if (!reportToTarget || (previous == state && connections == reportedConnections_)) {
        return;
    }
    reportedConnections_ = connections;
    if (NotificationTarget* target = notifyWindow.load()) {
        target->OnLinkState({state, static_cast<uint32_t>(connections)});
    }
}

void LinkShared::SetModelReport(const ModelReport& report) {
    std::lock_guard lock(reportMutex_);
    modelReport_ = report;
}

LinkShared::ModelReport LinkShared::LastModelReport() const {
    std::lock_guard lock(reportMutex_);
    return modelReport_;
}

void LinkShared::SetPatientFolderName(const std::string& name) {
    std::lock_guard lock(folderMutex_);
    patientFolderName_ = name;
}

std::string LinkShared::PatientFolderName() const {
    std::lock_guard lock(folderMutex_);
    return patientFolderName_;
}

void LinkShared::SetReceivedPicturePath(const std::string& path) {
    std::lock_guard lock(pictureMutex_);
    receivedPicturePath_ = path;
}

std::string LinkShared::ReceivedPicturePath() const {
    std::lock_guard lock(pictureMutex_);
    return receivedPicturePath_;
}

void LinkShared::RegisterStreamSocket(int fd) {
    std::lock_guard lock(socketMutex_);
    streamSocket_ = fd;
}

void LinkShared::CloseStreamSocket() {
    std::lock_guard lock(socketMutex_);
    if (streamSocket_ >= 0) {
        ::close(streamSocket_);
        streamSocket_ = -1;
    }
}

void LinkShared::ShutDownStreamSocket() {
    std::lock_guard lock(socketMutex_);
    if (streamSocket_ >= 0) {
        ::shutdown(streamSocket_, SHUT_RDWR);
    }
}

}  // namespace vyr
