// Template 130, the main window: its title, size, font and the controls that the template builder
// makes. The description box (1056) and the photo list (1007) are kinds the builder does not have
// (a multi-line edit, an icon view); MainDlg makes them at the rectangles given here.
#pragma once

#include "platform/dialogs/dialog_template.h"

namespace vyr {

const DialogTemplate& MainDlgTemplate();

inline constexpr DluRect kDescriptionRect{3, 90, 103, 116};
inline constexpr DluRect kPhotoListRect{109, 22, 593, 390};

}  // namespace vyr
