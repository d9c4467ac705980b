// The photo list's current-item index: program-wide, -1 at program start, set by a click on the
// list and kept from one main window to the next (the report export reads it).
#pragma once

namespace vyr {

int CurrentItemIndex();
void SetCurrentItemIndex(int index);

}  // namespace vyr
