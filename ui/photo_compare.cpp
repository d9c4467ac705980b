// The photo browser's multi-selection and comparison (MainDlg). Multi-selection is the list's own
// selection mode: while it is on, a plain click adds a picture to the selection or takes it out, as
// a Control-click does; nothing is sent to the system's input, so other windows never see a held
// key. Compare shows up to four selected pictures, in list order, each scaled to its area.
#include <QLabel>
#include <algorithm>

#include "app/core/vyr_app.h"
#include "platform/dialogs/prompts.h"
#include "ui/main_dlg.h"
#include "ui/main_dlg_ids.h"
#include "ui/main_texts.h"
#include "ui/photo_list.h"
#include "ui/picture_loading.h"

namespace vyr {

void MainDlg::ToggleMultiSelection() {
    SetMultiSelection(!isMultiSelection_);
}

void MainDlg::SetMultiSelection(bool isOn) {
    isMultiSelection_ = isOn;
    photoList_->setSelectionMode(isOn ? QAbstractItemView::MultiSelection
                                      : QAbstractItemView::ExtendedSelection);
    // Outside the six languages the button keeps its caption.
    const QString text = MultiSelectionText(languageIndex_, isOn);
    if (!text.isEmpty()) {
        SetControlText(kIdMultiSelection, text);
    }
}

void MainDlg::Compare() {
    const std::vector<int> rows = photoList_->SelectedRows();
    if (rows.empty()) {
        (void)app_.prompts().ShowMessage(
            nullptr, {QStringLiteral("Please select 1-4 pictures for comparison!"),
                      QStringLiteral("Sorry"), PromptIcon::kNone, PromptButtons::kOk});
        return;
    }
    Control(kIdLiveArea)->hide();
    photoList_->hide();
    for (int id : kCompareAreaIds) {
        Control(id)->hide();
    }
    // The multi-selection state is left as it is.
    const size_t shown = std::min(rows.size(), std::size(kCompareAreaIds));
    for (size_t k = 0; k < shown; ++k) {
        QLabel* area = Label(kCompareAreaIds[k]);
        area->show();
        const std::filesystem::path path = photoList_->ItemPath(rows[k]);
        if (path.empty()) {
            area->setPixmap(QPixmap());
        } else {
            (void)LoadPictureInto(area, QString::fromStdString(path.string()));
        }
    }
    view_ = View::kComparison;
}

void MainDlg::CompareBack() {
    for (int id : kCompareAreaIds) {
        Control(id)->hide();
    }
    Control(kIdLiveArea)->hide();
    // Shown as it was, not rebuilt; the camera link is not touched.
    photoList_->show();
    view_ = View::kPhotoList;
    SetMultiSelection(false);
}

}  // namespace vyr
