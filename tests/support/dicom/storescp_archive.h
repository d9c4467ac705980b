// DCMTK's storescp as the practice's archive in tests: started on a free port, reached through
// 127.0.0.1, keeping what it receives in a folder of its own; stopped and reaped on destruction.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vyr::test {

// A TCP port on 127.0.0.1 that was free a moment ago (bound and closed again).
uint16_t FreeLoopbackPort();

class StorescpArchive {
public:
    // Starts storescp with its AE title "ARCHIVE" and the extra options (such as "--refuse"),
    // storing into folder. Waits until it listens (read from /proc/net/tcp, so the wait sends
    // nothing to it).
    StorescpArchive(const std::filesystem::path& folder,
                    const std::vector<std::string>& extraOptions = {});
    ~StorescpArchive();
    StorescpArchive(const StorescpArchive&) = delete;
    StorescpArchive& operator=(const StorescpArchive&) = delete;

    bool isListening() const { return isListening_; }
    uint16_t port() const { return port_; }
    const std::filesystem::path& folder() const { return folder_; }
    // The files it has stored so far.
    std::vector<std::filesystem::path> StoredFiles() const;

private:
    std::filesystem::path folder_;
    uint16_t port_ = 0;
    pid_t pid_ = -1;
    bool isListening_ = false;
};

}  // namespace vyr::test
