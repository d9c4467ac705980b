// The photo list: the patient's pictures as 284 x 160 thumbnails in an icon view, one item per file
// of the folder, the item's text the file name.
//
// A scan (PhotoScan) lists the folder and makes the thumbnails on worker threads, reading them from
// the thumbnail cache when it can. The list adds every item as soon as the listing arrives, with a
// plain tile for its thumbnail, shows its end (the newest pictures), and asks the scan for the
// thumbnails on screen first; the others follow, a few at a time between the user's events, so the
// list stays responsive while it fills. Scrolling asks for the newly shown rows first.
//
// Each scan has a generation number: starting one (the start-up scan or a rebuild) cancels the one
// before it, and whatever an older generation still had queued is dropped, so two scans never fill
// the list together and a rebuild never shows a picture twice or one that is gone.
#pragma once

#include <QIcon>
#include <QListWidget>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "ui/photo_scan.h"

namespace vyr {

// Item texts are read back into a buffer of this many bytes with its terminator; a longer text
// names no picture.
inline constexpr size_t kItemTextBufferBytes = 1024;

class PhotoList : public QListWidget {
public:
    explicit PhotoList(QWidget* parent = nullptr);
    // Cancels a running scan and joins its workers.
    ~PhotoList() override;

    // Appends the folder's files to the list (the start-up scan).
    void ScanFolder(const std::filesystem::path& folder);
    // Empties the list and its thumbnails, then scans the folder again.
    void RebuildList(const std::filesystem::path& folder);
    // Removes these rows (and stops a running scan, whose rows would no longer match).
    void RemoveRows(const std::vector<int>& rows);

    // The folder + "/" + the item's text; an empty path for a row without an item or with a text
    // that does not fit kItemTextBufferBytes.
    std::filesystem::path ItemPath(int row) const;
    // The first selected row in row order, or -1.
    int FirstSelectedRow() const;
    // Every selected row, in row order.
    std::vector<int> SelectedRows() const;

    // True until every listed item has its thumbnail (tests wait for the end of a scan).
    bool isScanning() const { return isScanning_; }
    // Whether the row shows its picture's thumbnail yet (not the plain tile).
    bool HasThumbnail(int row) const;
    // The rows whose items are at least partly on screen, in row order.
    std::vector<int> VisibleRows() const;
    // What the last finished scan did.
    const PhotoScan::Counts& lastScanCounts() const { return lastCounts_; }

protected:
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void StopScan();
    void OnListed(uint64_t generation, const QStringList& names);
    void TakeThumbnails(uint64_t generation);
    void PostTakeThumbnails(uint64_t generation);
    void FinishScan();
    void AskForVisibleRows();

    std::filesystem::path folder_;
    // Read and changed on the user-interface thread only; the workers carry a copy.
    uint64_t generation_ = 0;
    std::unique_ptr<PhotoScan> scan_;
    int firstScanRow_ = 0;  // the rows of the running scan start here (a scan appends)
    bool isScanning_ = false;
    std::vector<bool> hasThumbnail_;
    PhotoScan::Counts lastCounts_;
    QIcon pendingIcon_;
};

}  // namespace vyr
