// How a picture is stored in the PDF: as JPEG of quality 94 (what Qt's PDF writer uses), or without
// loss (Flate) when that makes the smaller file. Camera pictures have thousands of colours and are
// always JPEG; only a picture of at most 256 colours (drawings, marks on flat ground) is encoded
// both ways to compare, so the usual case costs one quick look at the first pixels.
#pragma once

class QImage;

namespace vyr {

// image: Format_RGB32.
bool IsSmallerWithoutLoss(const QImage& image);

}  // namespace vyr
