// The cache's files: SHA-1 names (hex) so any file name or folder path becomes a short safe name;
// entries read back through the BMP thumbnail reader, which copies a 284 x 160 picture as it is;
// writes to a temporary file made with mkstemp in the entry folder, then rename(2), so a reader
// sees the old entry, the new one or none, never half of one. Nothing is flushed to disk: an entry
// lost in a crash is only made again.
#include "ui/thumbnail_cache.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QStandardPaths>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include "ui/bmp_thumbnail.h"
#include "ui/main_dlg_ids.h"

namespace vyr {
namespace {

namespace fs = std::filesystem;

// The record in each entry folder of the picture folder it belongs to.
constexpr char kRecordName[] = "folder";
constexpr size_t kEntryBytes = kBmpHeaderBytes + size_t{kThumbnailWidth} * 3 * kThumbnailHeight;

std::string HexHash(const std::string& text) {
    return QCryptographicHash::hash(QByteArray::fromStdString(text), QCryptographicHash::Sha1)
        .toHex()
        .toStdString();
}

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

// Writes the bytes under a temporary name in folder, then renames them to name.
int ReplaceFile(const fs::path& folder, const std::string& name, const uint8_t* data, size_t size) {
    std::string pattern = (folder / ".entry-XXXXXX").string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        return -1;
    }
    const bool isWritten = WriteAll(fd, data, size);
    const bool isClosed = ::close(fd) == 0;
    if (!isWritten || !isClosed || ::rename(pattern.c_str(), (folder / name).c_str()) != 0) {
        (void)::unlink(pattern.c_str());
        return -1;
    }
    return 0;
}

std::string ReadRecord(const fs::path& entryFolder) {
    std::ifstream in(entryFolder / kRecordName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

ThumbnailCache::ThumbnailCache(fs::path root) : root_(std::move(root)) {}

fs::path ThumbnailCache::DefaultRoot() {
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty()) {
        return {};
    }
    return fs::path(cache.toStdString()) / "vyr" / "thumbnails";
}

fs::path ThumbnailCache::EntryFolder(const fs::path& pictureFolder) const {
    if (!isEnabled()) {
        return {};
    }
    return root_ / HexHash(pictureFolder.lexically_normal().string()).substr(0, 32);
}

std::string ThumbnailCache::EntryName(const PictureFile& file) {
    std::string key = file.name;
    key.push_back('\0');
    key += std::to_string(file.sizeBytes) + ' ' + std::to_string(file.modifiedNs) + ' ' +
           std::to_string(file.inode);
    return HexHash(key) + ".bmp";
}

int ThumbnailCache::Prepare(const fs::path& pictureFolder) const {
    if (!isEnabled()) {
        return -1;
    }
    const fs::path folder = EntryFolder(pictureFolder);
    std::error_code error;
    fs::create_directories(folder, error);
    if (!fs::is_directory(folder, error)) {
        return -1;
    }
    const std::string record = pictureFolder.lexically_normal().string();
    if (ReadRecord(folder) == record) {
        return 0;
    }
    return ReplaceFile(folder, kRecordName, reinterpret_cast<const uint8_t*>(record.data()),
                       record.size());
}

QImage ThumbnailCache::Load(const fs::path& entryFolder, const std::string& entryName) const {
    if (entryFolder.empty()) {
        return {};
    }
    const int fd = ::open((entryFolder / entryName).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    // One byte more than an entry holds tells a longer file from a whole one.
    thread_local std::vector<uint8_t> bytes(kEntryBytes + 1);
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t read = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (read < 0 && errno == EINTR) {
            continue;
        }
        if (read <= 0) {
            break;
        }
        got += static_cast<size_t>(read);
    }
    ::close(fd);
    BmpLayout layout;
    if (got != kEntryBytes || ReadBmpLayout(bytes.data(), got, &layout) != 0 ||
        layout.width != kThumbnailWidth || layout.height != kThumbnailHeight ||
        layout.bytesPerPixel != 3 || layout.neededBytes != kEntryBytes) {
        return {};
    }
    QImage thumbnail(kThumbnailWidth, kThumbnailHeight, QImage::Format_RGB888);
    if (MakeBmpThumbnail(bytes.data(), got, thumbnail.bits(),
                         static_cast<size_t>(thumbnail.bytesPerLine())) != 0) {
        return {};
    }
    return thumbnail;
}

int ThumbnailCache::Store(const fs::path& entryFolder, const std::string& entryName,
                          const QImage& thumbnail) const {
    if (entryFolder.empty() || thumbnail.size() != QSize(kThumbnailWidth, kThumbnailHeight)) {
        return -1;
    }
    const QImage rgb = thumbnail.convertToFormat(QImage::Format_RGB888);
    const std::vector<uint8_t> file =
        EncodeThumbnailBmp(rgb.constBits(), static_cast<size_t>(rgb.bytesPerLine()));
    return ReplaceFile(entryFolder, entryName, file.data(), file.size());
}

int ThumbnailCache::DropUnused(const fs::path& pictureFolder,
                               const std::unordered_set<std::string>& used) const {
    if (!isEnabled()) {
        return 0;
    }
    int dropped = 0;
    std::error_code error;
    for (fs::directory_iterator entry(EntryFolder(pictureFolder), error), end;
         !error && entry != end; entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (name == kRecordName || used.count(name) != 0) {
            continue;
        }
        std::error_code removeError;
        if (fs::remove(entry->path(), removeError)) {
            ++dropped;
        }
    }
    return dropped;
}

int ThumbnailCache::DropGoneFolders() const {
    if (!isEnabled()) {
        return 0;
    }
    int dropped = 0;
    std::error_code error;
    for (fs::directory_iterator entry(root_, error), end; !error && entry != end;
         entry.increment(error)) {
        std::error_code statusError;
        if (!entry->is_directory(statusError) || entry->is_symlink(statusError)) {
            continue;
        }
        const std::string record = ReadRecord(entry->path());
        if (!record.empty() && fs::is_directory(record, statusError)) {
            continue;
        }
        std::error_code removeError;
        if (fs::remove_all(entry->path(), removeError) > 0) {
            ++dropped;
        }
    }
    return dropped;
}

}  // namespace vyr
