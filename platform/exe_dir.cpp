// The executable's folder from the /proc/self/exe link. The link is read with a buffer that grows
// until the whole path fits, so a deep install folder is never cut into another folder's name.
// The override is read by worker threads (snapshots, uploads, recordings), hence the lock.
#include "platform/exe_dir.h"

#include <unistd.h>

#include <mutex>
#include <vector>

namespace vyr {
namespace {

std::mutex overrideLock;
std::string exeDirOverride;

}  // namespace

std::string ExeDirOf(const std::string& exePath) {
    const size_t slash = exePath.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    return exePath.substr(0, slash);
}

std::string GetExecutableDir() {
    std::vector<char> buffer(512);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return {};
        }
        if (static_cast<size_t>(length) < buffer.size()) {
            return ExeDirOf(std::string(buffer.data(), static_cast<size_t>(length)));
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string GetExeDir() {
    {
        const std::lock_guard<std::mutex> lock(overrideLock);
        if (!exeDirOverride.empty()) {
            return exeDirOverride;
        }
    }
    return GetExecutableDir();
}

void SetExeDirOverride(const std::string& folder) {
    const std::lock_guard<std::mutex> lock(overrideLock);
    exeDirOverride = folder;
}

}  // namespace vyr
