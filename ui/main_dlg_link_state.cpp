// MainDlg's link-state label: made over the live area's corner, and fed by the link's state
// notification, which arrives on a worker thread and is handled on this window's thread as the
// other notifications are (queued; a call whose window has gone is dropped by Qt).
#include <QThread>

#include "link/camera_link.h"
#include "ui/link_state_label.h"
#include "ui/main_dlg.h"
#include "ui/main_dlg_ids.h"

namespace vyr {

void MainDlg::MakeLinkStateLabel() {
    linkStateLabel_ = new LinkStateLabel(
        Label(kIdLiveArea), [this] { return languageIndex_; },
        [this] { return link_->shared().counters.framesDecoded.load(); });
}

void MainDlg::OnLinkState(const LinkStateReport& report) {
    if (QThread::currentThread() == thread()) {
        linkStateLabel_->SetState(report);
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, report] { linkStateLabel_->SetState(report); }, Qt::QueuedConnection);
}

}  // namespace vyr
