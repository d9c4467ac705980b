// Editable combo boxes keep their last chosen index while the user types; the text decides.
#include "platform/dialogs/combo_selection.h"

#include <QComboBox>
#include <QLineEdit>

namespace vyr {

int ComboSelection(const QComboBox* combo) {
    const int index = combo->currentIndex();
    if (index < 0) {
        return -1;
    }
    if (combo->isEditable() && combo->currentText() != combo->itemText(index)) {
        return -1;
    }
    return index;
}

void SelectComboItem(QComboBox* combo, int index) {
    if (index < 0 || index >= combo->count()) {
        combo->setCurrentIndex(-1);
        if (combo->lineEdit() != nullptr) {
            combo->lineEdit()->clear();
        }
        return;
    }
    combo->setCurrentIndex(index);
    // Re-choosing the current item after the user typed over it puts its text back.
    combo->setEditText(combo->itemText(index));
}

}  // namespace vyr
