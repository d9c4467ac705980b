// Open in analyzer, the photo list's double-click: the first selected item becomes the current
// item and the chosen picture, and the analyzer runs modally with no parent and is destroyed.
#pragma once

namespace vyr {

class CVyrApp;
class PhotoList;

// Sets the current-item index to the first selected row (-1 when none) and stops there when there
// is none; otherwise stores the item's text (the file name) with SetSelectedPicture and runs the
// analyzer. The list is not rebuilt here: a save in the analyzer rebuilds it through the settings
// notification.
void OpenInAnalyzer(CVyrApp& app, const PhotoList& list);

}  // namespace vyr
