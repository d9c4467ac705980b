// Atomic replacement by write-to-temporary, fsync, rename(2) in the same folder. The temporary
// file's name is unique (mkstemp), so two writers never share one.
#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <vector>

namespace vyr {
namespace {

std::atomic<BeforeRenameHook> beforeRenameHook{nullptr};

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// A file that exists and may not be written: no write permission for this process, or no write
// bit at all. The mode bits are checked too because the superuser passes access(W_OK) for every
// file, and a file marked read-only is left alone whoever runs the program.
bool IsReadOnlyFile(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return false;
    }
    return ::access(path.c_str(), W_OK) != 0 || (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

void SetBeforeRenameHookForTest(BeforeRenameHook hook) {
    beforeRenameHook.store(hook);
}

int ReplaceFileAtomically(const std::filesystem::path& path, const uint8_t* data, size_t size) {
    if (IsReadOnlyFile(path)) {
        return -1;
    }
    std::string pattern = path.string() + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        return -1;
    }
    const std::filesystem::path temporary(name.data());
    // mkstemp creates 0600: a replaced file keeps its permissions, as rewriting it in place would;
    // a new one gets the usual permissions of a created file.
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0) {
        ::fchmod(fd, existing.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }

    bool ok = WriteAll(fd, data, size) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    const BeforeRenameHook hook = beforeRenameHook.load();
    if (ok && hook != nullptr) {
        ok = hook(temporary);
    }
    if (!ok || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return -1;
    }
    return 0;
}

}  // namespace vyr
