// The photo list: the patient's pictures as 284 x 160 thumbnails in an icon view, one item per file
// of the folder, the item's text the file name. Scans run on a worker thread that loads the files
// and makes the thumbnails; the items are added on the user-interface thread. Each scan has a
// generation number: starting a scan (the start-up scan or a rebuild) cancels the one before it,
// and items of an older generation that are still queued are dropped, so two scans never fill the
// list together.
#pragma once

#include <QImage>
#include <QListWidget>
#include <QString>
#include <atomic>
#include <filesystem>
#include <thread>

namespace vyr {

class PhotoList : public QListWidget {
public:
    explicit PhotoList(QWidget* parent = nullptr);
    // Cancels and joins a running scan.
    ~PhotoList() override;

    // Appends the folder's files to the list from a worker thread (the start-up scan).
    void ScanFolder(const std::filesystem::path& folder);
    // Empties the list and its thumbnails, then scans the folder again.
    void RebuildList(const std::filesystem::path& folder);

    // The folder + "/" + the item's text, or an empty path for a row without an item.
    std::filesystem::path ItemPath(int row) const;
    // The first selected row in row order, or -1.
    int FirstSelectedRow() const;

    // True while a scan has items still to add (tests wait for the end of a scan).
    bool isScanning() const { return isScanning_; }

private:
    void StopScan();
    void AddItem(uint64_t generation, const QString& name, const QImage& thumbnail);
    void FinishScan(uint64_t generation);

    std::filesystem::path folder_;
    std::atomic<uint64_t> generation_{0};
    std::thread scanThread_;
    bool isScanning_ = false;
};

}  // namespace vyr
