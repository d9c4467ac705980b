// Fatal decoder failures as a message box on the user-interface thread, then exit code 1.
#include "app/start/fatal_error_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <cstdio>
#include <cstdlib>

#include "video/h264_decoder.h"

namespace vyr {
namespace {

void ShowFatalErrorAndExit(const char* text) {
    std::fprintf(stderr, "%s", text);
    const QString message = QString::fromUtf8(text).trimmed();
    QMetaObject::invokeMethod(
        qApp,
        [message] {
            QMessageBox::critical(nullptr, QString(), message, QMessageBox::Ok);
            std::exit(1);
        },
        Qt::QueuedConnection);
}

}  // namespace

void InstallFatalErrorBox() {
    SetFatalErrorHandler(&ShowFatalErrorAndExit);
}

}  // namespace vyr
