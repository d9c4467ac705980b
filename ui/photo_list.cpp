// ScanFolder on a worker thread: the folder's regular files, sorted by name (snapshot names begin
// with their date and time, so this is time order, and annotated mark_ pictures follow), each
// loaded at its own size and made into a thumbnail (a placeholder when it does not load), then
// handed to the user-interface thread by a queued call that carries the scan's generation.
#include "ui/photo_list.h"

#include <QMetaObject>
#include <QPixmap>
#include <algorithm>
#include <system_error>
#include <vector>

#include "ui/main_dlg_ids.h"
#include "ui/thumbnail.h"

namespace vyr {
namespace {

std::vector<std::filesystem::path> FilesOf(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        std::error_code statusError;
        // Hidden files are the temporaries of pictures being written (or left by a crash on file
        // systems without unnamed files); they are no pictures of the patient.
        const bool isHidden = entry->path().filename().string().starts_with('.');
        if (!isHidden && entry->is_regular_file(statusError)) {
            files.push_back(entry->path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

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
    // The item texts' background colour of the original list.
    setStyleSheet(QStringLiteral("QListWidget::item { background: rgb(254, 255, 198); }"));
}

PhotoList::~PhotoList() {
    StopScan();
}

void PhotoList::StopScan() {
    generation_.fetch_add(1);
    if (scanThread_.joinable()) {
        scanThread_.join();
    }
    isScanning_ = false;
}

void PhotoList::ScanFolder(const std::filesystem::path& folder) {
    // The worker stops at its next file once the generation moves on, so this join is short.
    StopScan();
    folder_ = folder;
    isScanning_ = true;
    const uint64_t generation = generation_.load();
    scanThread_ = std::thread([this, folder, generation] {
        for (const std::filesystem::path& file : FilesOf(folder)) {
            if (generation_.load() != generation) {
                return;
            }
            const QString name = QString::fromStdString(file.filename().string());
            const QImage thumbnail = LoadThumbnail(QString::fromStdString(file.string()));
            QMetaObject::invokeMethod(
                this, [this, generation, name, thumbnail] { AddItem(generation, name, thumbnail); },
                Qt::QueuedConnection);
        }
        QMetaObject::invokeMethod(
            this, [this, generation] { FinishScan(generation); }, Qt::QueuedConnection);
    });
}

void PhotoList::RebuildList(const std::filesystem::path& folder) {
    StopScan();
    clear();
    ScanFolder(folder);
}

void PhotoList::AddItem(uint64_t generation, const QString& name, const QImage& thumbnail) {
    if (generation != generation_.load()) {
        return;
    }
    auto* item = new QListWidgetItem(QIcon(QPixmap::fromImage(thumbnail)), name);
    addItem(item);
}

void PhotoList::FinishScan(uint64_t generation) {
    if (generation != generation_.load()) {
        return;
    }
    isScanning_ = false;
    if (count() > 0) {
        scrollToItem(item(count() - 1));
    }
}

std::filesystem::path PhotoList::ItemPath(int row) const {
    const QListWidgetItem* found = item(row);
    if (found == nullptr) {
        return {};
    }
    return folder_ / found->text().toStdString();
}

int PhotoList::FirstSelectedRow() const {
    int first = -1;
    for (const QModelIndex& index : selectionModel()->selectedIndexes()) {
        if (first == -1 || index.row() < first) {
            first = index.row();
        }
    }
    return first;
}

}  // namespace vyr
