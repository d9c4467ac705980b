// The PDF layer's page content: fonts and the text lines of PdfShowTextAt and PdfContinueText,
// text flows, and pictures (loaded with QImageReader, placed by pdf_image_fit.h, stored as JPEG or
// without loss by pdf_image_coding.h).
#include <QImageReader>
#include <algorithm>
#include <array>

#include "platform/pdf/pdf_document.h"
#include "platform/pdf/pdf_document_state.h"
#include "platform/pdf/pdf_image_coding.h"
#include "platform/pdf/pdf_image_fit.h"

namespace vyr {
namespace {

constexpr double kMaxFontSize = 1000;
constexpr int kMaxImagePixels = 100'000'000;

QString Text(const PdfFontFace& face, std::string_view bytes, bool* ok) {
    QString text;
    *ok = DecodePdfText(bytes, face.format, &text) == 0;
    return text;
}

int DrawLine(PdfDocument* pdf, const char* function, std::string_view bytes) {
    bool ok = false;
    const QString text = Text(*pdf->font, bytes, &ok);
    if (!ok) {
        return Raise(pdf, kPdfErrorArgument, function, "UTF-16 text of an odd number of bytes");
    }
    pdf->painter.drawText(QPointF(pdf->lineX, pdf->pageHeight - pdf->lineY), text);
    return 0;
}

}  // namespace

int PdfLoadFont(PdfDocument* pdf, std::string_view name, std::string_view encoding,
                std::string_view options) {
    static constexpr char kFunction[] = "PdfLoadFont";
    if (!Enter(pdf, kFunction, kScopeDocument | kScopePage) ||
        !NoOptions(pdf, kFunction, options)) {
        return -1;
    }
    PdfFontFace face;
    std::string error;
    if (LoadPdfFontFace(name, encoding, &face, &error) != 0) {
        return Raise(pdf, kPdfErrorFont, kFunction, error);
    }
    return Store(pdf->fonts, std::move(face));
}

int PdfSetFont(PdfDocument* pdf, int font, double size) {
    static constexpr char kFunction[] = "PdfSetFont";
    if (!Enter(pdf, kFunction, kScopePage)) {
        return -1;
    }
    const PdfFontFace* face = Handle(pdf->fonts, font);
    if (face == nullptr) {
        return Raise(pdf, kPdfErrorHandle, kFunction,
                     "no font with handle " + std::to_string(font));
    }
    if (!IsFiniteIn(size, 0.01, kMaxFontSize)) {
        return Raise(pdf, kPdfErrorArgument, kFunction, "font size out of range");
    }
    pdf->font = *face;
    pdf->font->font.setPointSizeF(size);
    pdf->fontSize = size;
    pdf->painter.setFont(pdf->font->font);
    return 0;
}

int PdfSetValue(PdfDocument* pdf, std::string_view key, double value) {
    static constexpr char kFunction[] = "PdfSetValue";
    if (!Enter(pdf, kFunction, kScopePage)) {
        return -1;
    }
    if (key != "leading") {
        return Raise(pdf, kPdfErrorArgument, kFunction, "unknown value " + Quoted(key));
    }
    if (!IsFiniteIn(value, -kPdfMaxPagePoints, kPdfMaxPagePoints)) {
        return Raise(pdf, kPdfErrorArgument, kFunction, "leading out of range");
    }
    pdf->leading = value;
    return 0;
}

int PdfShowTextAt(PdfDocument* pdf, std::string_view text, double x, double y) {
    static constexpr char kFunction[] = "PdfShowTextAt";
    if (!Enter(pdf, kFunction, kScopePage)) {
        return -1;
    }
    if (!pdf->font) {
        return Raise(pdf, kPdfErrorScope, kFunction, "no font set");
    }
    if (!std::isfinite(x) || !std::isfinite(y)) {
        return Raise(pdf, kPdfErrorArgument, kFunction, "position not a number");
    }
    pdf->lineX = x;
    pdf->lineY = y;
    return DrawLine(pdf, kFunction, text);
}

int PdfContinueText(PdfDocument* pdf, std::string_view text) {
    static constexpr char kFunction[] = "PdfContinueText";
    if (!Enter(pdf, kFunction, kScopePage)) {
        return -1;
    }
    if (!pdf->font) {
        return Raise(pdf, kPdfErrorScope, kFunction, "no font set");
    }
    pdf->lineY -= pdf->leading.value_or(pdf->fontSize);
    return DrawLine(pdf, kFunction, text);
}

int PdfCreateTextflow(PdfDocument* pdf, std::string_view text, std::string_view options) {
    static constexpr char kFunction[] = "PdfCreateTextflow";
    if (!Enter(pdf, kFunction, kScopeDocument | kScopePage)) {
        return -1;
    }
    PdfTextflow flow;
    std::string error;
    if (MakeTextflow(text, options, &flow, &error) != 0) {
        return Raise(pdf, kPdfErrorOption, kFunction, error);
    }
    return Store(pdf->textflows, std::move(flow));
}

int PdfFitTextflow(PdfDocument* pdf, int textflow, double x1, double y1, double x2, double y2,
                   std::string_view options) {
    static constexpr char kFunction[] = "PdfFitTextflow";
    if (!Enter(pdf, kFunction, kScopePage) || !NoOptions(pdf, kFunction, options)) {
        return -1;
    }
    PdfTextflow* flow = Handle(pdf->textflows, textflow);
    if (flow == nullptr) {
        return Raise(pdf, kPdfErrorHandle, kFunction,
                     "no text flow with handle " + std::to_string(textflow));
    }
    for (const double value : {x1, y1, x2, y2}) {
        if (!IsFiniteIn(value, -kPdfMaxPagePoints, kPdfMaxPagePoints)) {
            return Raise(pdf, kPdfErrorArgument, kFunction, "box corner out of range");
        }
    }
    if (x1 == x2 || y1 == y2) {
        return Raise(pdf, kPdfErrorArgument, kFunction, "empty box");
    }
    return FitTextflow(pdf->painter, pdf->pageHeight, flow, x1, y1, x2, y2);
}

int PdfDeleteTextflow(PdfDocument* pdf, int textflow) {
    static constexpr char kFunction[] = "PdfDeleteTextflow";
    if (!Enter(pdf, kFunction, kScopeDocument | kScopePage)) {
        return -1;
    }
    if (Handle(pdf->textflows, textflow) == nullptr) {
        return Raise(pdf, kPdfErrorHandle, kFunction,
                     "no text flow with handle " + std::to_string(textflow));
    }
    pdf->textflows[textflow].reset();
    return 0;
}

int PdfLoadImage(PdfDocument* pdf, std::string_view type, std::string_view fileName,
                 std::string_view options) {
    static constexpr char kFunction[] = "PdfLoadImage";
    if (!Enter(pdf, kFunction, kScopeDocument | kScopePage) ||
        !NoOptions(pdf, kFunction, options)) {
        return -1;
    }
    static constexpr std::array<std::string_view, 4> kTypes = {"auto", "bmp", "jpeg", "png"};
    if (std::find(kTypes.begin(), kTypes.end(), type) == kTypes.end()) {
        return Raise(pdf, kPdfErrorArgument, kFunction, "unknown image type " + Quoted(type));
    }
    QImageReader reader(
        QString::fromUtf8(fileName.data(), static_cast<qsizetype>(fileName.size())));
    if (type != "auto") {
        reader.setFormat(QByteArray(type.data(), static_cast<qsizetype>(type.size())));
    }
    const QSize size = reader.size();
    QImage image;
    if (size.isValid() && qint64(size.width()) * size.height() > kMaxImagePixels) {
        SetError(pdf, kPdfErrorImage, kFunction,
                 "Couldn't open image file " + Quoted(fileName) + " (picture too large)");
        return -1;
    }
    if (!reader.read(&image)) {
        SetError(pdf, kPdfErrorImage, kFunction,
                 "Couldn't open image file " + Quoted(fileName) + " (" +
                     reader.errorString().toStdString() + ")");
        return -1;
    }
    if (image.hasAlphaChannel()) {
        // PDF/A-1 has no transparency: the picture is put on white, as on paper.
        QImage opaque(image.size(), QImage::Format_RGB32);
        opaque.fill(Qt::white);
        QPainter(&opaque).drawImage(0, 0, image);
        image = opaque;
    } else {
        image = image.convertToFormat(QImage::Format_RGB32);
    }
    return Store(pdf->images, std::move(image));
}

int PdfFitImage(PdfDocument* pdf, int image, double x, double y, std::string_view options) {
    static constexpr char kFunction[] = "PdfFitImage";
    if (!Enter(pdf, kFunction, kScopePage)) {
        return -1;
    }
    const QImage* picture = Handle(pdf->images, image);
    if (picture == nullptr) {
        return Raise(pdf, kPdfErrorHandle, kFunction,
                     "no image with handle " + std::to_string(image));
    }
    if (!IsFiniteIn(x, -kPdfMaxPagePoints, kPdfMaxPagePoints) ||
        !IsFiniteIn(y, -kPdfMaxPagePoints, kPdfMaxPagePoints)) {
        return Raise(pdf, kPdfErrorArgument, kFunction, "reference point out of range");
    }
    PdfPlacement placement;
    std::string error;
    if (PlaceImage(options, x, y, picture->width(), picture->height(), &placement, &error) != 0) {
        return Raise(pdf, kPdfErrorOption, kFunction, error);
    }
    pdf->painter.setRenderHint(QPainter::LosslessImageRendering, IsSmallerWithoutLoss(*picture));
    pdf->painter.drawImage(QRectF(placement.x, pdf->pageHeight - placement.y - placement.height,
                                  placement.width, placement.height),
                           *picture);
    return 0;
}

int PdfCloseImage(PdfDocument* pdf, int image) {
    static constexpr char kFunction[] = "PdfCloseImage";
    if (!Enter(pdf, kFunction, kScopeDocument | kScopePage)) {
        return -1;
    }
    if (Handle(pdf->images, image) == nullptr) {
        return Raise(pdf, kPdfErrorHandle, kFunction,
                     "no image with handle " + std::to_string(image));
    }
    pdf->images[image].reset();
    return 0;
}

}  // namespace vyr
