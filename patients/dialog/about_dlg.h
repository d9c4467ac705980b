// CAboutDlg (dialog 100): the about box opened from the patient dialog's "关于 Vyr(&A)..." entry.
#pragma once

#include "platform/dialogs/template_dialog.h"

namespace vyr {

inline constexpr int kIdAboutText = 1100;

class CAboutDlg : public TemplateDialog {
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace vyr
