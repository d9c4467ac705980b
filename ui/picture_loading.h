// Showing a picture file in a label: the picture is scaled to exactly the label's size (the aspect
// ratio is not kept) and centred. A file that does not load leaves the label without a picture.
#pragma once

#include <QString>

class QLabel;

namespace vyr {

// True when the file loaded.
bool LoadPictureInto(QLabel* label, const QString& path);

}  // namespace vyr
