// BMP encoding in memory through the image encoder found for "image/bmp", then a new file written
// whole under the first free name of the second (never replacing a file, nothing left on failure).
#include "analyzer/mark_file.h"

#include <QBuffer>
#include <QImageWriter>
#include <cstdio>
#include <span>

#include "platform/imaging/image_encoders.h"
#include "platform/new_file.h"

namespace vyr {

std::string MarkFileName(const std::tm& t, int attempt) {
    char name[64];
    std::snprintf(name, sizeof name, "mark_%04d%02d%02d_%02d%02d%02d", t.tm_year + 1900,
                  t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    std::string text = name;
    if (attempt > 0) {
        std::snprintf(name, sizeof name, "_%02d", attempt + 1);
        text += name;
    }
    return text + ".bmp";
}

int SaveMarkFile(const QImage& picture, const std::filesystem::path& folder,
                 const std::tm& localTime, std::filesystem::path* written, std::string* why) {
    EncoderClsid encoder;
    QByteArray bytes;
    QBuffer sink(&bytes);
    sink.open(QIODevice::WriteOnly);
    if (GetEncoderClsid(u"image/bmp", &encoder) != 1 ||
        !QImageWriter(&sink, encoder.format).write(picture)) {
        *why = "the picture could not be encoded as BMP";
        return -1;
    }

    const std::span<const uint8_t> parts[] = {
        {reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size())}};
    const auto names = [&](int attempt) {
        return attempt < kMarkNamesPerSecond ? folder / MarkFileName(localTime, attempt)
                                             : std::filesystem::path();
    };
    std::string reason;
    switch (WriteNewFileAtomically(names, NewFileParts(parts), written, &reason)) {
        case kNewFileWritten:
            return 0;
        case kNewFileNameTaken:
            *why = "every name of this second is taken";
            return -1;
        default:
            *why = reason;
            return -1;
    }
}

}  // namespace vyr
