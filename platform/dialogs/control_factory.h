// Creation of one Qt control from its template row: the widget of its kind, its caption, items
// and style flags, placed at its rectangle converted from dialog units.
#pragma once

#include <QWidget>

#include "platform/dialogs/dialog_template.h"

namespace vyr {

// The new control, a child of parent. Combo boxes take the height of their edit field: the
// template's height is that of the open drop-down list.
QWidget* CreateControl(const ControlTemplate& control, const TemplateFont& font, QWidget* parent);

}  // namespace vyr
