// Numbered file names, writing under the first free one, and finding an identical twin by size
// first and then by reading the file in 64 KiB pieces against the bytes in memory.
#include "capture/numbered_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace vyr {
namespace {

std::string PathOf(const std::string& folder, const std::string& name) {
    return folder + "/" + name;
}

// Whether the file's bytes are exactly the parts, read piece by piece.
bool FileHoldsExactly(const std::string& path, NewFileParts parts) {
    size_t total = 0;
    for (const auto& part : parts) {
        total += part.size();
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<uint64_t>(info.st_size) != total) {
        return false;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    std::vector<uint8_t> piece(64 * 1024);
    bool isSame = true;
    for (const auto& part : parts) {
        size_t at = 0;
        while (isSame && at < part.size()) {
            const size_t wanted = std::min(piece.size(), part.size() - at);
            const ssize_t got = ::read(fd, piece.data(), wanted);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            isSame = got > 0 &&
                     std::memcmp(piece.data(), part.data() + at, static_cast<size_t>(got)) == 0;
            at += got > 0 ? static_cast<size_t>(got) : 0;
        }
    }
    ::close(fd);
    return isSame;
}

}  // namespace

std::string NumberedFileName(const std::string& stem, const std::string& extension, int number) {
    if (number <= 0) {
        return stem + extension;
    }
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, "_%02d", number % 100);
    return stem + suffix + extension;
}

int WriteNumberedFile(const std::string& folder, const std::string& stem,
                      const std::string& extension, NewFileParts parts, size_t maxPathChars,
                      std::string* storedPath) {
    const auto names = [&](int attempt) {
        std::string path = PathOf(folder, NumberedFileName(stem, extension, attempt));
        if (attempt > kLastFileNumber || path.size() > maxPathChars) {
            path.clear();
        }
        return std::filesystem::path(path);
    };
    std::filesystem::path written;
    std::string reason;
    const int result = WriteNewFileAtomically(names, parts, &written, &reason);
    if (result != kNewFileWritten) {
        PrintNotSaved(result, PathOf(folder, stem + extension), reason);
    } else if (storedPath != nullptr) {
        *storedPath = written.string();
    }
    return result;
}

std::string FindIdenticalNumberedFile(const std::string& folder, const std::string& stem,
                                      const std::string& extension, NewFileParts parts) {
    for (int number = 0; number <= kLastFileNumber; ++number) {
        const std::string path = PathOf(folder, NumberedFileName(stem, extension, number));
        if (FileHoldsExactly(path, parts)) {
            return path;
        }
    }
    return {};
}

void PrintNotSaved(int result, const std::string& path, const std::string& reason) {
    if (result == kNewFileNotCreated) {
        std::printf("open file failed!\n");
    }
    std::printf("%s not saved: %s!\n", path.c_str(),
                result == kNewFileNameTaken ? "no free file name" : reason.c_str());
    std::fflush(stdout);
}

}  // namespace vyr
