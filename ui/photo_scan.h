// One scan of a picture folder for the photo list, off the user-interface thread: a worker lists
// the folder, then every worker (one per core, at least two) takes pictures one at a time and
// finds each one's thumbnail in the cache or makes it from the picture and keeps it. Pictures are
// taken in this order: the rows the list asked for first (those on screen), then from the last row
// to the first (the list shows its end once filled). Finished thumbnails wait in a queue until the
// list takes them, so the user-interface thread only ever handles a few at a time.
//
// The scan reports through three callbacks, called on its worker threads: the listing (once,
// before any thumbnail), "thumbnails are waiting" (each time the queue stops being empty) and
// "finished" (once, after the last thumbnail was queued). Once cancelled, no new callback starts
// (one already under way may still end); the destructor joins the workers, which stop after the
// picture in hand, so none runs after it.
#pragma once

#include <QImage>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "ui/picture_files.h"
#include "ui/thumbnail_cache.h"

namespace vyr {

class PhotoScan {
public:
    struct Thumbnail {
        int row = 0;
        QImage image;
    };
    struct Callbacks {
        std::function<void(const std::vector<PictureFile>& files)> listed;
        std::function<void()> thumbnailsWaiting;
        std::function<void()> finished;
    };
    // What the scan did, for the benchmark and the tests.
    struct Counts {
        int fromCache = 0;  // thumbnails read from the cache
        int made = 0;       // made from their pictures
        int stored = 0;     // of those, written to the cache
        int dropped = 0;    // cache entries of pictures no longer there
    };

    // Starts the workers at once.
    PhotoScan(std::filesystem::path folder, ThumbnailCache cache, Callbacks callbacks,
              int threads = DefaultThreadCount());
    ~PhotoScan();
    PhotoScan(const PhotoScan&) = delete;
    PhotoScan& operator=(const PhotoScan&) = delete;

    // The number of cores, at least two and at most four.
    static int DefaultThreadCount();

    // Makes the workers stop after the pictures in hand and start no more callbacks.
    void Cancel();
    // These rows go before all others still to do (replacing the rows asked for before).
    void Prioritise(std::vector<int> rows);
    // Up to most of the waiting thumbnails, oldest first.
    std::vector<Thumbnail> TakeThumbnails(size_t most);
    bool hasThumbnails() const;
    // Every thumbnail is queued and the cache tidied.
    bool isFinished() const;
    Counts counts() const;

private:
    void Work(int index);
    void List();
    // The next row to do, or -1.
    int NextRow();
    QImage ThumbnailOf(const PictureFile& file, const std::filesystem::path& entryFolder,
                       const std::string& entryName);

    const std::filesystem::path folder_;
    const ThumbnailCache cache_;
    const Callbacks callbacks_;
    std::atomic<bool> isCancelled_{false};

    mutable std::mutex lock_;
    std::condition_variable listedSignal_;
    bool isListed_ = false;
    bool isFinishing_ = false;  // one worker has taken on the end of the scan
    bool isFinished_ = false;
    std::vector<PictureFile> files_;
    std::vector<bool> isTaken_;
    std::vector<int> priority_;
    size_t priorityAt_ = 0;
    int nextFromEnd_ = -1;
    int rowsDone_ = 0;
    std::vector<Thumbnail> waiting_;
    Counts counts_;

    std::vector<std::thread> workers_;
};

}  // namespace vyr
