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

// The thumbnail of a picture file: an uncompressed 24- or 32-bit BMP is averaged straight from its
// bytes (bmp_thumbnail.h); any other file goes to LoadThumbnailWithReader.
QImage LoadThumbnail(const QString& path);

// Loads the file whole at its own size with the image reader and makes its thumbnail, or the
// placeholder when it does not load. The way for every format, and the reference for the BMP way.
QImage LoadThumbnailWithReader(const QString& path);

}  // namespace vyr
