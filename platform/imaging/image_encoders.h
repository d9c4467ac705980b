// Looking up an image encoder by MIME type among the image writers Qt provides.
#pragma once

#include <QByteArray>

namespace vyr {

// Identifies one image encoder: the format name that QImageWriter and QImage::save take.
struct EncoderClsid {
    QByteArray format;
};

// Walks the MIME types of the available image writers in order; the first that equals mimeType
// exactly (case-sensitive) wins and its format is copied to *clsid.
// Returns 1 when found, 0 when no writer has that MIME type or an argument is null.
int GetEncoderClsid(const char16_t* mimeType, EncoderClsid* clsid);

}  // namespace vyr
