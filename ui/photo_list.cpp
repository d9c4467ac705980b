// The photo list's side of a scan, on the user-interface thread. The scan's callbacks come from its
// workers and are queued to this thread with the scan's generation; anything of an older
// generation is dropped on arrival. Finished thumbnails are taken for at most a few milliseconds at
// a time, then the rest is queued again behind the user's events.
#include "ui/photo_list.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QPixmap>
#include <QScrollBar>
#include <algorithm>

#include "ui/main_dlg_ids.h"

namespace vyr {
namespace {

// Time given to taking thumbnails before the user's events get their turn.
constexpr qint64 kTakeBudgetMs = 8;
constexpr size_t kTakeBatch = 8;

}  // namespace

PhotoList::PhotoList(QWidget* parent) : QListWidget(parent) {
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setWrapping(true);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setIconSize(QSize(kThumbnailWidth, kThumbnailHeight));
    setGridSize(QSize(kIconSpacingX, kIconSpacingY));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFrameShape(QFrame::StyledPanel);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, QColor(236, 241, 253));
    colours.setColor(QPalette::Text, Qt::black);
    setPalette(colours);
    // The item texts' background colour of the original list; a selected item keeps the desktop's
    // highlight, so that the pictures chosen for Compare and Delete stand out.
    setStyleSheet(
        QStringLiteral("QListWidget::item { background: rgb(254, 255, 198); }"
                       "QListWidget::item:selected { background: palette(highlight); color: "
                       "palette(highlighted-text); }"));
    // The tile an item shows until its thumbnail arrives: a shade of the list's background.
    QPixmap tile(kThumbnailWidth, kThumbnailHeight);
    tile.fill(QColor(214, 222, 240));
    pendingIcon_ = QIcon(tile);
}

PhotoList::~PhotoList() {
    StopScan();
}

void PhotoList::StopScan() {
    ++generation_;
    scan_.reset();
    isScanning_ = false;
}

void PhotoList::ScanFolder(const std::filesystem::path& folder) {
    StopScan();
    folder_ = folder;
    isScanning_ = true;
    const uint64_t generation = generation_;
    PhotoScan::Callbacks callbacks;
    callbacks.listed = [this, generation](const std::vector<PictureFile>& files) {
        QStringList names;
        names.reserve(static_cast<qsizetype>(files.size()));
        for (const PictureFile& file : files) {
            names.push_back(QString::fromStdString(file.name));
        }
        QMetaObject::invokeMethod(
            this, [this, generation, names] { OnListed(generation, names); }, Qt::QueuedConnection);
    };
    callbacks.thumbnailsWaiting = [this, generation] { PostTakeThumbnails(generation); };
    callbacks.finished = [this, generation] { PostTakeThumbnails(generation); };
    scan_ = std::make_unique<PhotoScan>(folder, ThumbnailCache(), std::move(callbacks));
}

void PhotoList::RebuildList(const std::filesystem::path& folder) {
    StopScan();
    clear();
    hasThumbnail_.clear();
    ScanFolder(folder);
}

void PhotoList::RemoveRows(const std::vector<int>& rows) {
    StopScan();
    std::vector<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    for (auto row = sorted.rbegin(); row != sorted.rend(); ++row) {
        if (*row >= 0 && *row < count()) {
            delete takeItem(*row);
            if (static_cast<size_t>(*row) < hasThumbnail_.size()) {
                hasThumbnail_.erase(hasThumbnail_.begin() + *row);
            }
        }
    }
}

void PhotoList::OnListed(uint64_t generation, const QStringList& names) {
    if (generation != generation_) {
        return;
    }
    firstScanRow_ = count();
    for (const QString& name : names) {
        addItem(new QListWidgetItem(pendingIcon_, name));
    }
    hasThumbnail_.resize(static_cast<size_t>(count()), false);
    if (count() > 0) {
        scrollToItem(item(count() - 1));
    }
    AskForVisibleRows();
}

void PhotoList::PostTakeThumbnails(uint64_t generation) {
    QMetaObject::invokeMethod(
        this, [this, generation] { TakeThumbnails(generation); }, Qt::QueuedConnection);
}

void PhotoList::TakeThumbnails(uint64_t generation) {
    if (generation != generation_ || !scan_) {
        return;
    }
    QElapsedTimer spent;
    spent.start();
    while (spent.elapsed() < kTakeBudgetMs) {
        const std::vector<PhotoScan::Thumbnail> batch = scan_->TakeThumbnails(kTakeBatch);
        if (batch.empty()) {
            break;
        }
        for (const PhotoScan::Thumbnail& thumbnail : batch) {
            const int row = firstScanRow_ + thumbnail.row;
            QListWidgetItem* found = item(row);
            if (found != nullptr && static_cast<size_t>(row) < hasThumbnail_.size()) {
                found->setIcon(QIcon(QPixmap::fromImage(thumbnail.image)));
                hasThumbnail_[static_cast<size_t>(row)] = true;
            }
        }
    }
    if (scan_->hasThumbnails()) {
        PostTakeThumbnails(generation);
    } else if (scan_->isFinished()) {
        FinishScan();
    }
}

void PhotoList::FinishScan() {
    lastCounts_ = scan_->counts();
    // The workers have finished; joining them is immediate.
    scan_.reset();
    isScanning_ = false;
}

void PhotoList::AskForVisibleRows() {
    if (!scan_ || !isVisible()) {
        return;
    }
    std::vector<int> rows;
    for (const int row : VisibleRows()) {
        if (row >= firstScanRow_ && !HasThumbnail(row)) {
            rows.push_back(row - firstScanRow_);
        }
    }
    scan_->Prioritise(std::move(rows));
}

void PhotoList::scrollContentsBy(int dx, int dy) {
    QListWidget::scrollContentsBy(dx, dy);
    AskForVisibleRows();
}

void PhotoList::resizeEvent(QResizeEvent* event) {
    QListWidget::resizeEvent(event);
    AskForVisibleRows();
}

void PhotoList::showEvent(QShowEvent* event) {
    QListWidget::showEvent(event);
    AskForVisibleRows();
}

std::filesystem::path PhotoList::ItemPath(int row) const {
    const QListWidgetItem* found = item(row);
    if (found == nullptr) {
        return {};
    }
    const QByteArray name = found->text().toUtf8();
    if (static_cast<size_t>(name.size()) >= kItemTextBufferBytes) {
        return {};
    }
    return folder_ / name.toStdString();
}

int PhotoList::FirstSelectedRow() const {
    const std::vector<int> rows = SelectedRows();
    return rows.empty() ? -1 : rows.front();
}

std::vector<int> PhotoList::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedIndexes()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

bool PhotoList::HasThumbnail(int row) const {
    return row >= 0 && static_cast<size_t>(row) < hasThumbnail_.size() &&
           hasThumbnail_[static_cast<size_t>(row)];
}

std::vector<int> PhotoList::VisibleRows() const {
    std::vector<int> rows;
    const QRect area = viewport()->rect();
    for (int row = 0; row < count(); ++row) {
        if (visualItemRect(item(row)).intersects(area)) {
            rows.push_back(row);
        }
    }
    return rows;
}

}  // namespace vyr
