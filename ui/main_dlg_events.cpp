// MainDlg's notifications from the link's workers and the settings dialog, the keyboard and mouse
// filter that plays PreTranslateMessage and the labels' click commands, and full screen.
//
// Notifications arrive on any thread with their record by value. On a worker thread they are
// queued to this window's thread and the worker goes on at once (never waiting for this thread,
// which may be joining that worker in Stop); on this window's own thread (the settings dialog's
// OK) they are handled at once. A queued call whose window has gone is dropped by Qt.
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QThread>
#include <cstring>

#include "app/core/patient_folders.h"
#include "app/core/vyr_app.h"
#include "settings/settings_file.h"
#include "ui/delete_tree.h"
#include "ui/live_area.h"
#include "ui/main_dlg.h"
#include "ui/main_dlg_ids.h"
#include "ui/main_dlg_template.h"
#include "ui/main_texts.h"
#include "ui/photo_list.h"
#include "ui/picture_loading.h"

namespace vyr {
namespace {

// The terminated text at offset in the record; a record without a terminator is cut at its end.
QString RecordPath(const NotificationRecord& record, size_t offset) {
    const auto* text = reinterpret_cast<const char*>(record.data() + offset);
    const size_t length = ::strnlen(text, record.size() - offset);
    return QString::fromLocal8Bit(text, static_cast<qsizetype>(length));
}

uint16_t EventCode(const NotificationRecord& record) {
    return static_cast<uint16_t>(record[0] | (record[1] << 8));
}

// The device-event codes.
constexpr uint16_t kEventReleased = 0;
constexpr uint16_t kEventPictureReceived = 1;
constexpr uint16_t kEventShowNoPicture = 5;
constexpr uint16_t kEventDeleteAll = 6;

// The camera's capture command reaches OnSnapshot as a record that starts with the 16-bit value 1
// rather than a path.
bool IsCaptureCommand(const NotificationRecord& record) {
    return record[0] == 1 && record[1] == 0;
}

}  // namespace

void MainDlg::OnSnapshot(const NotificationRecord& record) {
    if (QThread::currentThread() == thread()) {
        HandleSnapshot(record);
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, record] { HandleSnapshot(record); }, Qt::QueuedConnection);
}

void MainDlg::OnSettingsChanged(const SettingsBytes& settings) {
    if (QThread::currentThread() == thread()) {
        HandleSettings(settings);
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, settings] { HandleSettings(settings); }, Qt::QueuedConnection);
}

void MainDlg::OnDeviceEvent(const NotificationRecord& event) {
    if (QThread::currentThread() == thread()) {
        HandleDeviceEvent(event);
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, event] { HandleDeviceEvent(event); }, Qt::QueuedConnection);
}

void MainDlg::HandleSnapshot(const NotificationRecord& record) {
    // The capture command only announces the snapshot; its path follows in the next record.
    if (IsCaptureCommand(record)) {
        return;
    }
    (void)LoadPictureInto(Label(kIdPreview), RecordPath(record, 0));
}

void MainDlg::HandleSettings(const SettingsBytes& settings) {
    languageIndex_ = SettingsFromBytes(settings).languageIndex;
    (void)app_.GetCurrentPatient(&patient_);
    ApplyMainTexts(*this, languageIndex_, patient_);
    ShowPhotoList();
}

void MainDlg::HandleDeviceEvent(const NotificationRecord& event) {
    switch (EventCode(event)) {
        case kEventReleased:
        case kEventShowNoPicture:
            ShowLiveHideStill();
            break;
        case kEventPictureReceived: {
            const QString path = RecordPath(event, 4);
            QLabel* still = Label(kIdStillArea);
            (void)LoadPictureInto(still, path);
            // The received picture is shown large over the live area until a click on it or the
            // camera's release; over the photo list the preview alone shows it.
            if (view_ == View::kLive) {
                Control(kIdLiveArea)->show();
                still->show();
                still->raise();
            }
            (void)LoadPictureInto(Label(kIdPreview), path);
            break;
        }
        case kEventDeleteAll:
            // Only a patient folder of its own is emptied, never jpg/ itself.
            if (IsUsableFolderName(patient_.Tel())) {
                (void)DeleteTree(app_.GetPhotoFolder());
            }
            ShowLiveHideStill();
            break;
        default:
            break;
    }
}

void MainDlg::ShowLiveHideStill() {
    // Over the photo list the camera's events change nothing that is shown.
    if (view_ != View::kLive) {
        return;
    }
    Control(kIdLiveArea)->show();
    Control(kIdStillArea)->hide();
}

bool MainDlg::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::MouseButtonPress &&
        type != QEvent::MouseButtonDblClick && type != QEvent::MouseButtonRelease) {
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != this) {
        return false;
    }
    if (type == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape) {
            if (isFullScreen_) {
                LeaveFullScreen();
            }
            return true;
        }
        return key == Qt::Key_Return || key == Qt::Key_Enter;
    }
    if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) {
        return false;
    }
    QWidget* live = Control(kIdLiveArea);
    if (type == QEvent::MouseButtonDblClick && (widget == live || live->isAncestorOf(widget))) {
        if (isFullScreen_) {
            LeaveFullScreen();
        } else {
            EnterFullScreen();
        }
        // Consumed: the area has no double-click of its own, and an unaccepted double-click would
        // travel on to the area's parents and be seen here again.
        return true;
    }
    if (type == QEvent::MouseButtonPress) {
        const QVariant clickId = widget->property("vyrClickId");
        if (clickId.isValid()) {
            Command(clickId.toInt());
        }
        return false;
    }
    if (type == QEvent::MouseButtonRelease && widget == photoList_->viewport()) {
        // The list updates its selection on the press or, for a click on an empty part, on the
        // release itself; the click acts on the result once the list has seen the release.
        QMetaObject::invokeMethod(
            this, [this] { OnItemClick(); }, Qt::QueuedConnection);
    }
    return false;
}

void MainDlg::EnterFullScreen() {
    QWidget* live = Control(kIdLiveArea);
    live->show();
    Control(kIdPreview)->hide();
    savedLiveRect_ = live->geometry();
    savedGeometry_ = geometry();
    isFullScreen_ = true;

    const QSize screenSize = screen()->geometry().size();
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    showFullScreen();
    live->setGeometry(0, 0, screenSize.width(), screenSize.height());
    live->raise();
}

void MainDlg::LeaveFullScreen() {
    QWidget* live = Control(kIdLiveArea);
    Control(kIdPreview)->show();
    showNormal();
    setFixedSize(
        DluToPixels({0, 0, dialogTemplate().width, dialogTemplate().height}, dialogTemplate().font)
            .size());
    setGeometry(savedGeometry_);
    live->setGeometry(savedLiveRect_);
    // Back under the still area, the photo list and the comparison areas, as in the template.
    live->lower();
    live->update();
    isFullScreen_ = false;
}

}  // namespace vyr
