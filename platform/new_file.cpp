// New files by write, fsync, then name without replacing. The preferred road is an unnamed file
// (open O_TMPFILE in the folder, later linkat through /proc/self/fd): nothing ever shows up in the
// folder until the file is complete, and a crash mid-write leaves nothing at all. File systems
// without O_TMPFILE (vfat, some network file systems) take a hidden temporary ".name.XXXXXX"
// renamed with renameat2(RENAME_NOREPLACE), or linked and unlinked where that flag is unknown.
#include "platform/new_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <system_error>

namespace vyr {
namespace {

std::atomic<bool> unnamedFilesAllowed{true};

std::string ErrorText(int error) {
    return std::error_code(error, std::generic_category()).message();
}

void SetReason(std::string* reason, int error) {
    if (reason != nullptr) {
        *reason = ErrorText(error);
    }
}

// Writes every part; false with errno set when a write fails (a short write past a limit ends in
// a failing one).
bool WriteParts(int fd, NewFileParts parts) {
    for (const std::span<const uint8_t> part : parts) {
        const uint8_t* data = part.data();
        size_t left = part.size();
        while (left > 0) {
            const ssize_t written = ::write(fd, data, left);
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written <= 0) {
                if (written == 0) {
                    errno = EIO;
                }
                return false;
            }
            data += written;
            left -= static_cast<size_t>(written);
        }
    }
    return true;
}

// Writes and flushes; on failure errno holds the cause. Some file systems report a full disk only
// when the data is flushed, hence fsync before the file gets its name.
bool WriteAndFlush(int fd, NewFileParts parts) {
    return WriteParts(fd, parts) && ::fsync(fd) == 0;
}

// A name for the hidden temporary file, unique enough that O_EXCL rarely has to retry.
std::filesystem::path TemporaryName(const std::filesystem::path& target) {
    static std::atomic<uint64_t> counter{0};
    const auto ticks =
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%06llx",
                  static_cast<unsigned long long>((ticks ^ (counter.fetch_add(1) * 0x9E3779B9u) ^
                                                   static_cast<uint64_t>(::getpid())) &
                                                  0xFFFFFFu));
    return target.parent_path() / ("." + target.filename().string() + suffix);
}

int WriteThroughUnnamedFile(int fd, const NewFileNames& names, NewFileParts parts,
                            std::filesystem::path* writtenPath, std::string* reason) {
    if (!WriteAndFlush(fd, parts)) {
        SetReason(reason, errno);
        ::close(fd);
        return kNewFileNotWritten;
    }
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    int result = kNewFileNameTaken;
    for (int attempt = 0;; ++attempt) {
        const std::filesystem::path candidate = names(attempt);
        if (candidate.empty()) {
            break;
        }
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            if (writtenPath != nullptr) {
                *writtenPath = candidate;
            }
            result = kNewFileWritten;
            break;
        }
        if (errno != EEXIST) {
            SetReason(reason, errno);
            result = kNewFileNotWritten;
            break;
        }
    }
    if (result == kNewFileNameTaken) {
        SetReason(reason, EEXIST);
    }
    ::close(fd);  // an unnamed file that got no name disappears here
    return result;
}

// Gives the complete temporary file the first free candidate name; removes it when none is free
// or naming fails.
int NameTemporaryFile(const std::filesystem::path& temporary, const NewFileNames& names,
                      std::filesystem::path* writtenPath, std::string* reason) {
    bool hasNoReplaceRename = true;
    for (int attempt = 0;; ++attempt) {
        const std::filesystem::path candidate = names(attempt);
        if (candidate.empty()) {
            break;
        }
        int status = -1;
        if (hasNoReplaceRename) {
            status = ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, candidate.c_str(),
                                 RENAME_NOREPLACE);
            if (status != 0 && (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP)) {
                hasNoReplaceRename = false;
            }
        }
        if (!hasNoReplaceRename) {
            status = ::link(temporary.c_str(), candidate.c_str());
            if (status == 0) {
                ::unlink(temporary.c_str());
            }
        }
        if (status == 0) {
            if (writtenPath != nullptr) {
                *writtenPath = candidate;
            }
            return kNewFileWritten;
        }
        if (errno != EEXIST) {
            SetReason(reason, errno);
            ::unlink(temporary.c_str());
            return kNewFileNotWritten;
        }
    }
    SetReason(reason, EEXIST);
    ::unlink(temporary.c_str());
    return kNewFileNameTaken;
}

int WriteThroughTemporaryName(const std::filesystem::path& first, const NewFileNames& names,
                              NewFileParts parts, std::filesystem::path* writtenPath,
                              std::string* reason) {
    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = TemporaryName(first);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        SetReason(reason, errno);
        return kNewFileNotCreated;
    }
    const bool written = WriteAndFlush(fd, parts);
    const int writeError = errno;
    if (::close(fd) != 0 || !written) {
        SetReason(reason, written ? errno : writeError);
        ::unlink(temporary.c_str());
        return kNewFileNotWritten;
    }
    return NameTemporaryFile(temporary, names, writtenPath, reason);
}

}  // namespace

int WriteNewFileAtomically(const NewFileNames& names, NewFileParts parts,
                           std::filesystem::path* writtenPath, std::string* reason) {
    const std::filesystem::path first = names(0);
    if (first.empty() || !first.has_filename()) {
        SetReason(reason, EINVAL);
        return kNewFileNotCreated;
    }
    std::filesystem::path folder = first.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    if (unnamedFilesAllowed.load() && ::access("/proc/self/fd", X_OK) == 0) {
        // The mode passes through the umask, as for any file the program creates.
        const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd >= 0) {
            return WriteThroughUnnamedFile(fd, names, parts, writtenPath, reason);
        }
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            SetReason(reason, errno);
            return kNewFileNotCreated;
        }
    }
    return WriteThroughTemporaryName(first, names, parts, writtenPath, reason);
}

int WriteNewFileAtomically(const std::filesystem::path& path, NewFileParts parts,
                           std::string* reason) {
    return WriteNewFileAtomically(
        [&path](int attempt) { return attempt == 0 ? path : std::filesystem::path(); }, parts,
        nullptr, reason);
}

void SetUnnamedTemporaryFilesForTest(bool isAllowed) {
    unnamedFilesAllowed.store(isAllowed);
}

}  // namespace vyr
