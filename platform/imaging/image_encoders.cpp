// Image encoder lookup over QImageWriter's supported MIME types.
#include "platform/imaging/image_encoders.h"

#include <QImageWriter>
#include <QString>

namespace vyr {

int GetEncoderClsid(const char16_t* mimeType, EncoderClsid* clsid) {
    if (mimeType == nullptr || clsid == nullptr) {
        return 0;
    }
    const QString wanted = QString::fromUtf16(mimeType);
    for (const QByteArray& mime : QImageWriter::supportedMimeTypes()) {
        if (QString::fromLatin1(mime).compare(wanted, Qt::CaseSensitive) != 0) {
            continue;
        }
        const QList<QByteArray> formats = QImageWriter::imageFormatsForMimeType(mime);
        if (formats.isEmpty()) {
            return 0;
        }
        clsid->format = formats.first();
        return 1;
    }
    return 0;
}

}  // namespace vyr
