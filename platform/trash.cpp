// TrashOrRemove on QFile::moveToTrash. Qt picks the trash: the volume's own $topdir/.Trash/$uid or
// $topdir/.Trash-$uid for a file outside the home volume, else the home trash; it only renames, so
// a file it cannot rename into a trash is left in place and removed here instead.
//
// Qt makes the home trash folder with a single-level mkdir and, when that fails, goes on with an
// empty trash path that QDir reads as the working folder, where it would make files/ and info/ and
// move the picture. So the home trash is made here first (with its parents, as the base-directory
// rules ask of a writer), and without it no trash is tried at all.
#include "platform/trash.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QString>
#include <system_error>

namespace vyr {
namespace {

bool HasHomeTrash() {
    const std::filesystem::path trash = HomeTrashFolder();
    if (trash.empty() || !trash.is_absolute()) {
        return false;
    }
    std::error_code error;
    std::filesystem::create_directories(trash, error);
    return std::filesystem::is_directory(trash, error);
}

}  // namespace

std::filesystem::path HomeTrashFolder() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty()) {
        return {};
    }
    return std::filesystem::path(data.toStdString()) / "Trash";
}

TrashResult TrashOrRemove(const std::filesystem::path& file) {
    std::error_code error;
    const auto status = std::filesystem::symlink_status(file, error);
    if (error || !std::filesystem::exists(status) || std::filesystem::is_directory(status)) {
        return TrashResult::kKept;
    }
    // moveToTrash asks whether the path exists by following links: a link whose target is gone
    // would be refused, so it is removed like any file the trash does not take.
    const bool isDanglingLink =
        std::filesystem::is_symlink(status) && !std::filesystem::exists(file, error);
    if (!isDanglingLink && HasHomeTrash() &&
        QFile::moveToTrash(QString::fromStdString(file.string()))) {
        return TrashResult::kTrashed;
    }
    return std::filesystem::remove(file, error) ? TrashResult::kRemoved : TrashResult::kKept;
}

}  // namespace vyr
