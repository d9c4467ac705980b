// BMP encoding in memory through the image encoder found for "image/bmp", then write, fsync and a
// rename that refuses to replace (renameat2 with RENAME_NOREPLACE; link and unlink where the file
// system has no such rename).
#include "analyzer/mark_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QImageWriter>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/imaging/image_encoders.h"

namespace vyr {
namespace {

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
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
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Renames from to to unless to exists: 0, or -1 with errno (EEXIST when the name is taken).
int RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return -1;
    }
    if (::link(from.c_str(), to.c_str()) != 0) {
        return -1;
    }
    ::unlink(from.c_str());
    return 0;
}

std::string Reason(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

std::string MarkFileName(const std::tm& t, int attempt) {
    char name[64];
    std::snprintf(name, sizeof name, "mark_%04d%02d%02d_%02d%02d%02d", t.tm_year + 1900,
                  t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    std::string text = name;
    if (attempt > 0) {
        std::snprintf(name, sizeof name, "_%02d", attempt + 1);
        text += name;
    }
    return text + ".bmp";
}

int SaveMarkFile(const QImage& picture, const std::filesystem::path& folder,
                 const std::tm& localTime, std::filesystem::path* written, std::string* why) {
    EncoderClsid encoder;
    QByteArray bytes;
    QBuffer sink(&bytes);
    sink.open(QIODevice::WriteOnly);
    if (GetEncoderClsid(u"image/bmp", &encoder) != 1 ||
        !QImageWriter(&sink, encoder.format).write(picture)) {
        *why = "the picture could not be encoded as BMP";
        return -1;
    }

    std::string pattern = (folder / ("." + MarkFileName(localTime, 0) + ".XXXXXX")).string();
    std::vector<char> temporaryName(pattern.begin(), pattern.end());
    temporaryName.push_back('\0');
    const int fd = ::mkstemp(temporaryName.data());
    if (fd < 0) {
        *why = Reason("cannot create a file in the folder");
        return -1;
    }
    const std::filesystem::path temporary(temporaryName.data());
    // mkstemp creates 0600; a picture gets the usual permissions of a created file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    bool ok = WriteAll(fd, bytes.constData(), static_cast<size_t>(bytes.size()));
    if (!ok) {
        *why = Reason("write failed");
    } else if (::fsync(fd) != 0) {
        *why = Reason("flush failed");
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        *why = Reason("close failed");
        ok = false;
    }
    for (int attempt = 0; ok && attempt < kMarkNamesPerSecond; ++attempt) {
        const std::filesystem::path target = folder / MarkFileName(localTime, attempt);
        if (RenameNoReplace(temporary, target) == 0) {
            *written = target;
            return 0;
        }
        if (errno != EEXIST) {
            *why = Reason("rename failed");
            ok = false;
        }
    }
    if (ok) {
        *why = "every name of this second is taken";
    }
    ::unlink(temporary.c_str());
    return -1;
}

}  // namespace vyr
