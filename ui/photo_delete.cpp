// The photo browser's Delete (MainDlg): after the question, the selected pictures go to the
// desktop's trash, from the last selected to the first (removed for good only where no trash can
// be used), the current-item index becomes -1 and the photo list is built again from the folder.
// A picture that can be neither trashed nor removed stays and shows again; nothing is said.
#include <QLabel>
#include <QPixmap>

#include "app/core/vyr_app.h"
#include "platform/dialogs/prompts.h"
#include "platform/trash.h"
#include "ui/current_item.h"
#include "ui/main_dlg.h"
#include "ui/main_dlg_ids.h"
#include "ui/photo_list.h"

namespace vyr {
namespace {

MessagePrompt DeleteQuestion(const char* text) {
    return {QString::fromLatin1(text), QStringLiteral("Delete File!"), PromptIcon::kNone,
            PromptButtons::kOkCancel};
}

}  // namespace

void MainDlg::DeletePictures() {
    const std::vector<int> rows = photoList_->SelectedRows();
    if (rows.empty()) {
        // Either answer deletes nothing; OK still builds the list again.
        if (app_.prompts().ShowMessage(this, DeleteQuestion("please select pictures!")) !=
            PromptAnswer::kOk) {
            return;
        }
    } else {
        if (app_.prompts().ShowMessage(this, DeleteQuestion("are you sure?")) !=
            PromptAnswer::kOk) {
            return;
        }
        SetMultiSelection(false);
        for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
            const std::filesystem::path path = photoList_->ItemPath(*row);
            if (!path.empty()) {
                (void)TrashOrRemove(path);
            }
        }
        photoList_->RemoveRows(rows);
        // No current item any more, so no picture in the preview.
        Label(kIdPreview)->setPixmap(QPixmap());
    }
    SetCurrentItemIndex(-1);
    ShowPhotoList();
}

}  // namespace vyr
