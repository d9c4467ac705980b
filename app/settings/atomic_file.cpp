// Atomic replacement by write-to-temporary, fsync, rename(2) in the same folder. The temporary
// file's name is unique (mkstemp), so two writers never share one.
#include "app/settings/atomic_file.h"

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

}  // namespace

void SetBeforeRenameHookForTest(BeforeRenameHook hook) {
    beforeRenameHook.store(hook);
}

int ReplaceFileAtomically(const std::filesystem::path& path, const uint8_t* data, size_t size) {
    // Keep the refusal of a read-only file, as writing it in place would fail.
    if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0) {
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
    // mkstemp creates 0600; give the file the usual permissions of a created file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);

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
