// Thumbnails of the photo list: 284 x 160 images made from a picture of any size. Each direction
// is treated on its own: a side longer than the thumbnail's is squeezed to it, a shorter side keeps
// its length and is centred, so the aspect ratio is not kept. The area a small picture leaves
// free is black. Safe on any thread (QImage only).
#pragma once

#include <QImage>
#include <QString>

namespace vyr {

// The thumbnail of a loaded picture; a null source gives the placeholder.
QImage MakeThumbnail(const QImage& source);

// Shown for a file that does not load as a picture: mid grey with a dark cross.
QImage PlaceholderThumbnail();

// Loads the file at its own size and makes its thumbnail, or the placeholder when it does not load.
QImage LoadThumbnail(const QString& path);

}  // namespace vyr
