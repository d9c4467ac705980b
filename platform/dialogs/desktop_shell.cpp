// Files are opened through their file:// URL with the desktop's default program.
#include "platform/dialogs/desktop_shell.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace vyr {

bool DesktopShell::OpenFile(const std::filesystem::path& file) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(file.string())));
}

}  // namespace vyr
