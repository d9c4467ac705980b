// The scan's workers share one lock for the listing, the order of rows and the queue of finished
// thumbnails; the pictures themselves are read and averaged outside it. Worker 0 lists the folder
// and reports the listing before it lets the others start, so the list has its rows before any
// thumbnail arrives. The worker that finishes the last picture drops the cache entries no picture
// used (only after a scan that was not cancelled, so a partial scan never drops anything) and, once
// per run of the program, the cache folders of picture folders that are gone.
#include "ui/photo_scan.h"

#include <pthread.h>

#include <algorithm>
#include <string>
#include <unordered_set>

#include "ui/thumbnail.h"

namespace vyr {
namespace {

std::atomic<bool> haveDroppedGoneFolders{false};

}  // namespace

PhotoScan::PhotoScan(std::filesystem::path folder, ThumbnailCache cache, Callbacks callbacks,
                     int threads)
    : folder_(std::move(folder)), cache_(std::move(cache)), callbacks_(std::move(callbacks)) {
    const int count = std::max(1, threads);
    workers_.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        workers_.emplace_back([this, i] { Work(i); });
    }
}

PhotoScan::~PhotoScan() {
    Cancel();
    for (std::thread& worker : workers_) {
        worker.join();
    }
}

int PhotoScan::DefaultThreadCount() {
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 2u, 4u));
}

void PhotoScan::Cancel() {
    isCancelled_.store(true);
    std::lock_guard<std::mutex> hold(lock_);
    listedSignal_.notify_all();
}

void PhotoScan::Prioritise(std::vector<int> rows) {
    std::lock_guard<std::mutex> hold(lock_);
    priority_ = std::move(rows);
    priorityAt_ = 0;
}

std::vector<PhotoScan::Thumbnail> PhotoScan::TakeThumbnails(size_t most) {
    std::lock_guard<std::mutex> hold(lock_);
    const size_t count = std::min(most, waiting_.size());
    std::vector<Thumbnail> taken(std::make_move_iterator(waiting_.begin()),
                                 std::make_move_iterator(waiting_.begin() + count));
    waiting_.erase(waiting_.begin(), waiting_.begin() + count);
    return taken;
}

bool PhotoScan::hasThumbnails() const {
    std::lock_guard<std::mutex> hold(lock_);
    return !waiting_.empty();
}

bool PhotoScan::isFinished() const {
    std::lock_guard<std::mutex> hold(lock_);
    return isFinished_;
}

PhotoScan::Counts PhotoScan::counts() const {
    std::lock_guard<std::mutex> hold(lock_);
    return counts_;
}

void PhotoScan::List() {
    std::vector<PictureFile> files =
        ListPictureFiles(folder_, [this] { return isCancelled_.load(); });
    if (isCancelled_.load()) {
        return;
    }
    (void)cache_.Prepare(folder_);
    // Reported before any worker starts on a picture, so the listing reaches the list first.
    if (callbacks_.listed) {
        callbacks_.listed(files);
    }
    std::lock_guard<std::mutex> hold(lock_);
    files_ = std::move(files);
    isTaken_.assign(files_.size(), false);
    nextFromEnd_ = static_cast<int>(files_.size()) - 1;
    isListed_ = true;
    listedSignal_.notify_all();
}

int PhotoScan::NextRow() {
    std::lock_guard<std::mutex> hold(lock_);
    const auto take = [this](int row) {
        isTaken_[static_cast<size_t>(row)] = true;
        return row;
    };
    while (priorityAt_ < priority_.size()) {
        const int row = priority_[priorityAt_++];
        if (row >= 0 && static_cast<size_t>(row) < isTaken_.size() &&
            !isTaken_[static_cast<size_t>(row)]) {
            return take(row);
        }
    }
    while (nextFromEnd_ >= 0) {
        const int row = nextFromEnd_--;
        if (!isTaken_[static_cast<size_t>(row)]) {
            return take(row);
        }
    }
    return -1;
}

QImage PhotoScan::ThumbnailOf(const PictureFile& file, const std::filesystem::path& entryFolder,
                              const std::string& entryName) {
    QImage thumbnail = cache_.Load(entryFolder, entryName);
    if (!thumbnail.isNull()) {
        std::lock_guard<std::mutex> hold(lock_);
        ++counts_.fromCache;
        return thumbnail;
    }
    thumbnail = LoadThumbnail(QString::fromStdString((folder_ / file.name).string()));
    const bool isStored = cache_.Store(entryFolder, entryName, thumbnail) == 0;
    std::lock_guard<std::mutex> hold(lock_);
    ++counts_.made;
    counts_.stored += isStored ? 1 : 0;
    return thumbnail;
}

void PhotoScan::Work(int index) {
    const std::string name = "vyr-thumbs-" + std::to_string(index);
    (void)pthread_setname_np(pthread_self(), name.c_str());
    if (index == 0) {
        List();
    }
    {
        std::unique_lock<std::mutex> hold(lock_);
        listedSignal_.wait(hold, [this] { return isListed_ || isCancelled_.load(); });
    }
    const std::filesystem::path entryFolder = cache_.EntryFolder(folder_);
    for (int row = NextRow(); row >= 0 && !isCancelled_.load(); row = NextRow()) {
        // The listing is not changed once made, so a row's file can be read without the lock.
        const PictureFile& file = files_[static_cast<size_t>(row)];
        QImage thumbnail = ThumbnailOf(file, entryFolder, ThumbnailCache::EntryName(file));
        bool wasEmpty = false;
        bool isLast = false;
        {
            std::lock_guard<std::mutex> hold(lock_);
            wasEmpty = waiting_.empty();
            waiting_.push_back({row, std::move(thumbnail)});
            isLast = ++rowsDone_ == static_cast<int>(files_.size());
        }
        if (isCancelled_.load()) {
            return;
        }
        if (wasEmpty && callbacks_.thumbnailsWaiting) {
            callbacks_.thumbnailsWaiting();
        }
        if (isLast) {
            break;
        }
    }
    if (isCancelled_.load()) {
        return;
    }
    // Only the worker that queued the last thumbnail gets here with every row done (or, for an
    // empty folder, worker 0 after listing).
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (!isListed_ || isFinishing_ || rowsDone_ != static_cast<int>(files_.size())) {
            return;
        }
        isFinishing_ = true;
    }
    std::unordered_set<std::string> used;
    for (const PictureFile& file : files_) {
        used.insert(ThumbnailCache::EntryName(file));
    }
    const int dropped = cache_.DropUnused(folder_, used) +
                        (haveDroppedGoneFolders.exchange(true) ? 0 : cache_.DropGoneFolders());
    {
        std::lock_guard<std::mutex> hold(lock_);
        counts_.dropped = dropped;
        isFinished_ = true;
    }
    if (!isCancelled_.load() && callbacks_.finished) {
        callbacks_.finished();
    }
}

}  // namespace vyr
