// One value for the whole program, written and read on the user-interface thread.
#include "ui/current_item.h"

namespace vyr {
namespace {

int currentItemIndex = -1;

}  // namespace

int CurrentItemIndex() {
    return currentItemIndex;
}

void SetCurrentItemIndex(int index) {
    currentItemIndex = index;
}

}  // namespace vyr
