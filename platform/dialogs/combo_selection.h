// The selection of an editable drop-down combo box as the dialogs understand it: the index of the
// chosen item, or -1 when the text shown is not a chosen item (typed text, nothing chosen).
#pragma once

class QComboBox;

namespace vyr {

// The current item's index when the edit text is that item's text, otherwise -1.
int ComboSelection(const QComboBox* combo);
// Chooses item index, or clears the choice and the text when index is not an item's index.
void SelectComboItem(QComboBox* combo, int index);

}  // namespace vyr
