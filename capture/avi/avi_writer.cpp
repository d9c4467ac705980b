// AVI file writing: chunks go straight to the file descriptor (header, payload and pad byte in one
// writev), the index grows in memory in steps of 4096 entries and is written once at close, and
// the 2048-byte header area is rewritten only when the parameters are set and at close. Disk space
// for the chunks and the index is reserved ahead with posix_fallocate, about once per MiB.
#include "capture/avi/avi_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "capture/avi/avi_header.h"

using vyr::avi::HeaderBytes;
using vyr::avi::HeaderValues;

struct AviFile {
    int fd = -1;
    int width = 0;
    int height = 0;
    double fps = 0.0;
    uint32_t fourcc = 0;
    uint32_t videoFrames = 0;
    // Unsigned: a file may grow past 2 GiB up to the size limit.
    uint32_t position = vyr::avi::kFirstChunkOffset;
    uint32_t indexEntries = 0;
    uint32_t indexCapacity = 0;
    uint8_t* index = nullptr;  // 16 bytes per entry, in file order
    // The file is allocated up to here: every chunk written and its index entries fit below it.
    uint64_t reservedEnd = vyr::avi::kFirstChunkOffset;
};

namespace {

constexpr uint32_t kIndexEntryBytes = 16;
constexpr uint32_t kIndexGrowEntries = 4096;
// How far ahead of the need disk space is reserved: one posix_fallocate per MiB of video.
constexpr uint64_t kReserveStepBytes = 1024 * 1024;

void PutU32(uint8_t* out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

// Writes every byte of the vectors, resuming after partial writes and interruptions.
bool WriteAll(int fd, iovec* vectors, int count) {
    while (count > 0) {
        const ssize_t written = ::writev(fd, vectors, count);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        auto remaining = static_cast<size_t>(written);
        while (count > 0 && remaining >= vectors->iov_len) {
            remaining -= vectors->iov_len;
            ++vectors;
            --count;
        }
        if (count > 0) {
            vectors->iov_base = static_cast<uint8_t*>(vectors->iov_base) + remaining;
            vectors->iov_len -= remaining;
        }
    }
    return true;
}

bool WriteAll(int fd, const void* data, size_t length) {
    iovec vector{const_cast<void*>(data), length};
    return WriteAll(fd, &vector, 1);
}

bool SeekTo(int fd, uint32_t offset) {
    return ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

bool GrowIndex(AviFile* file) {
    const uint64_t capacity = uint64_t{file->indexCapacity} + kIndexGrowEntries;
    void* grown = std::realloc(file->index, capacity * kIndexEntryBytes);
    if (grown == nullptr) {
        return false;
    }
    file->index = static_cast<uint8_t*>(grown);
    file->indexCapacity = static_cast<uint32_t>(capacity);
    return true;
}

// Makes sure the file is allocated up to needEnd: a step further when the disk has room, else
// exactly that far. False with errno set when not even that much space can be had.
bool ReserveUpTo(AviFile* file, uint64_t needEnd) {
    for (const uint64_t end : {needEnd + kReserveStepBytes, needEnd}) {
        int error = 0;
        do {
            error = ::posix_fallocate(file->fd, static_cast<off_t>(file->reservedEnd),
                                      static_cast<off_t>(end - file->reservedEnd));
        } while (error == EINTR);
        if (error == 0) {
            file->reservedEnd = end;
            return true;
        }
        errno = error;
        if (error != ENOSPC && error != EDQUOT && error != EFBIG) {
            return false;
        }
    }
    return false;
}

AviFile* OpenWithFlags(const char* path, int flags) {
    if (path == nullptr) {
        return nullptr;
    }
    auto* file = new (std::nothrow) AviFile;
    if (file == nullptr) {
        return nullptr;
    }
    file->fd = ::open(path, O_RDWR | O_CREAT | O_CLOEXEC | flags, S_IRUSR | S_IWUSR);
    if (file->fd < 0) {
        const int error = errno;
        delete file;
        errno = error;
        return nullptr;
    }
    static const uint8_t kZeros[vyr::avi::kHeaderBytes] = {};
    if (!WriteAll(file->fd, kZeros, sizeof kZeros)) {
        const int error = errno;
        ::close(file->fd);
        if ((flags & O_EXCL) != 0) {
            ::unlink(path);  // created by this call: nothing of it is worth keeping
        }
        delete file;
        errno = error;
        return nullptr;
    }
    return file;
}

HeaderValues ValuesOf(const AviFile* file) {
    HeaderValues values;
    values.width = file->width;
    values.height = file->height;
    values.fps = file->fps;
    values.fourcc = file->fourcc;
    return values;
}

}  // namespace

AviFile* AVI_open_output_file(const char* path) {
    return OpenWithFlags(path, 0);
}

AviFile* AVI_create_output_file(const char* path) {
    return OpenWithFlags(path, O_EXCL);
}

void AVI_set_video_params(AviFile* file, int width, int height, double fps,
                          const char* compressor) {
    if (file == nullptr) {
        return;
    }
    file->width = width;
    file->height = height;
    file->fps = fps;
    file->fourcc = vyr::avi::FourCcFromCompressor(compressor);
    // A failed provisional header only matters if the process dies before close.
    (void)AVI_update_header(file);
}

int AVI_update_header(AviFile* file) {
    if (file == nullptr) {
        return -1;
    }
    HeaderBytes header;
    vyr::avi::BuildHeader(ValuesOf(file), header);
    if (!SeekTo(file->fd, 0)) {
        return -1;
    }
    const bool written = WriteAll(file->fd, header.data(), header.size());
    if (!SeekTo(file->fd, file->position) || !written) {
        return -1;
    }
    return 0;
}

int AVI_write_frame(AviFile* file, const void* data, long length, int keyframe) {
    if (file == nullptr || length < 0 || (data == nullptr && length > 0)) {
        return -1;
    }
    const uint64_t payload = static_cast<uint64_t>(length);
    // 64-bit arithmetic: a huge length must not wrap around and pass the limit.
    if (uint64_t{file->position} + uint64_t{kIndexEntryBytes} * file->indexEntries + payload + 32 >
        vyr::avi::kSizeLimit) {
        return -1;
    }
    if (file->indexEntries == file->indexCapacity && !GrowIndex(file)) {
        return -1;
    }
    const uint32_t chunkStart = file->position;
    const auto payloadBytes = static_cast<uint32_t>(payload);
    // The chunk, the idx1 header and every index entry including this chunk's must fit in space
    // the file already holds, so that the index can always be written at close.
    const uint64_t needEnd = uint64_t{chunkStart} + 8 + payloadBytes + (payloadBytes & 1u) + 8 +
                             uint64_t{kIndexEntryBytes} * (uint64_t{file->indexEntries} + 1);
    if (needEnd > file->reservedEnd && !ReserveUpTo(file, needEnd)) {
        return -1;
    }

    uint8_t chunkHeader[8];
    std::memcpy(chunkHeader, "00db", 4);
    PutU32(chunkHeader + 4, payloadBytes);
    static const uint8_t kPad = 0;
    iovec vectors[3] = {{chunkHeader, sizeof chunkHeader},
                        {const_cast<void*>(data), payloadBytes},
                        {const_cast<uint8_t*>(&kPad), payloadBytes & 1u}};
    if (!WriteAll(file->fd, vectors, 3)) {
        // The next chunk or the index overwrites whatever part of this chunk reached the file.
        (void)SeekTo(file->fd, chunkStart);
        return -1;
    }

    // The entry is added only once the chunk is on disk, so the index never points at a chunk
    // that was not written.
    uint8_t* entry = file->index + uint64_t{file->indexEntries} * kIndexEntryBytes;
    std::memcpy(entry, "00db", 4);
    PutU32(entry + 4, keyframe != 0 ? vyr::avi::kIndexFlagKeyFrame : 0);
    PutU32(entry + 8, chunkStart);
    PutU32(entry + 12, payloadBytes);
    ++file->indexEntries;

    file->position = chunkStart + 8 + payloadBytes + (payloadBytes & 1u);
    ++file->videoFrames;
    return 0;
}

int AVI_close_output_file(AviFile* file) {
    if (file == nullptr) {
        return -1;
    }
    const uint32_t moviSize = file->position - vyr::avi::kMoviSizeBase;

    const uint32_t indexBytes = file->indexEntries * kIndexEntryBytes;
    uint8_t indexHeader[8];
    std::memcpy(indexHeader, "idx1", 4);
    PutU32(indexHeader + 4, indexBytes);
    iovec vectors[2] = {{indexHeader, sizeof indexHeader}, {file->index, indexBytes}};
    const bool indexWritten = SeekTo(file->fd, file->position) && WriteAll(file->fd, vectors, 2);
    if (indexWritten) {
        file->position += 8 + indexBytes;
    }

    HeaderValues values = ValuesOf(file);
    values.isFinal = true;
    values.hasIndex = indexWritten;
    values.totalFrames = file->videoFrames;
    values.riffSize = file->position - 8;
    values.moviSize = moviSize;
    HeaderBytes header;
    vyr::avi::BuildHeader(values, header);

    const bool headerWritten =
        SeekTo(file->fd, 0) && WriteAll(file->fd, header.data(), header.size());
    const bool truncated = ::ftruncate(file->fd, static_cast<off_t>(file->position)) == 0;
    if (!headerWritten || !truncated || !indexWritten) {
        return -1;
    }
    return 0;
}

int AVI_close_file(AviFile* file) {
    if (file == nullptr) {
        return -1;
    }
    const int result = AVI_close_output_file(file);
    ::close(file->fd);
    std::free(file->index);
    delete file;
    return result;
}
