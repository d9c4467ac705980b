// The PDF layer's document: scope and exception bookkeeping around a QPdfWriter that paints into
// memory. Every call starts with Enter, which refuses a null document, a document whose exception
// was raised and a call outside its scopes; Raise records the first exception only.
#include "platform/pdf/pdf_document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/pdf/pdf_fonts.h"
#include "platform/pdf/pdf_image_coding.h"
#include "platform/pdf/pdf_image_fit.h"
#include "platform/pdf/pdf_info_update.h"
#include "platform/pdf/pdf_options.h"
#include "platform/pdf/pdf_textflow.h"

namespace vyr {

enum Scope : unsigned { kObject = 1, kDocument = 2, kPage = 4 };

struct PdfDocument {
    Scope scope = kObject;
    bool isCaught = false;
    int errorNumber = kPdfErrorNone;
    std::string errorMessage;
    std::string errorFunction;

    std::filesystem::path file;
    PdfDocumentInfo info;
    QByteArray bytes;
    std::unique_ptr<QBuffer> buffer;
    std::unique_ptr<QPdfWriter> writer;
    QPainter painter;
    int pages = 0;
    double pageHeight = 0;

    std::vector<std::optional<PdfFontFace>> fonts;
    std::vector<std::optional<PdfTextflow>> textflows;
    std::vector<std::optional<QImage>> images;

    // Text state of PdfShowTextAt and PdfContinueText.
    std::optional<PdfFontFace> font;
    double fontSize = 0;
    std::optional<double> leading;
    double lineX = 0;
    double lineY = 0;

    ~PdfDocument() {
        if (painter.isActive()) {
            painter.end();
        }
    }
};

namespace {

constexpr double kMaxPagePoints = 14400;
constexpr double kMaxFontSize = 1000;
constexpr int kMaxImagePixels = 100'000'000;

void SetError(PdfDocument* pdf, int number, const char* function, std::string message) {
    pdf->errorNumber = number;
    pdf->errorFunction = function;
    pdf->errorMessage = std::move(message);
}

int Raise(PdfDocument* pdf, int number, const char* function, std::string message) {
    if (!pdf->isCaught) {
        SetError(pdf, number, function, std::move(message));
        pdf->isCaught = true;
    }
    return -1;
}

const char* ScopeName(Scope scope) {
    switch (scope) {
        case kObject:
            return "object";
        case kDocument:
            return "document";
        case kPage:
            return "page";
    }
    return "?";
}

// The common start of every call: false when the call must do nothing (and return -1).
bool Enter(PdfDocument* pdf, const char* function, unsigned scopes) {
    if (pdf == nullptr || pdf->isCaught) {
        return false;
    }
    if ((pdf->scope & scopes) == 0) {
        Raise(pdf, kPdfErrorScope, function,
              std::string("function must not be called in '") + ScopeName(pdf->scope) + "' scope");
        return false;
    }
    return true;
}

// An option list that must hold no option at all.
bool NoOptions(PdfDocument* pdf, const char* function, std::string_view options) {
    PdfOptionList list;
    std::string error;
    if (ParsePdfOptions(options, {}, &list, &error) != 0) {
        Raise(pdf, kPdfErrorOption, function, error);
        return false;
    }
    return true;
}

template <typename T>
T* Handle(std::vector<std::optional<T>>& table, int handle) {
    if (handle < 0 || static_cast<size_t>(handle) >= table.size() || !table[handle]) {
        return nullptr;
    }
    return &*table[handle];
}

template <typename T>
int Store(std::vector<std::optional<T>>& table, T value) {
    table.emplace_back(std::move(value));
    return static_cast<int>(table.size() - 1);
}

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

// Whether a file can be made at path now: a scratch file is created beside it and removed again,
// so folder permissions, a read-only disk and a missing folder all show here, for the superuser
// too. An existing file that is read-only or a folder is refused as the replacement would be.
int CheckWritable(const std::filesystem::path& path, std::string* why) {
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) {
            *why = "it is a folder";
            return -1;
        }
        if (::access(path.c_str(), W_OK) != 0 ||
            (existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
            *why = "the file is read-only";
            return -1;
        }
    }
    const std::filesystem::path folder =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::string pattern = (folder / ".vyr-report-XXXXXX").string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        *why = std::strerror(errno);
        return -1;
    }
    ::close(fd);
    ::unlink(pattern.c_str());
    return 0;
}

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

bool IsFiniteIn(double value, double low, double high) {
    return std::isfinite(value) && value >= low && value <= high;
}

}  // namespace

PdfDocument* PdfNew() {
    if (QGuiApplication::instance() == nullptr) {
        return nullptr;
    }
    return new (std::nothrow) PdfDocument;
}

void PdfDelete(PdfDocument* pdf) {
    delete pdf;
}

int PdfBeginDocument(PdfDocument* pdf, std::string_view fileName, std::string_view options) {
    static constexpr char kFunction[] = "PdfBeginDocument";
    if (!Enter(pdf, kFunction, kObject) || !NoOptions(pdf, kFunction, options)) {
        return -1;
    }
    std::string why = "empty file name";
    const std::filesystem::path file{std::string(fileName)};
    if (fileName.empty() || fileName.find('\0') != std::string_view::npos ||
        CheckWritable(file, &why) != 0) {
        SetError(pdf, kPdfErrorFile, kFunction,
                 "Couldn't open PDF file " + Quoted(fileName) + " for writing (" + why + ")");
        return -1;
    }
    pdf->file = file;
    pdf->info = {};
    pdf->info.producer = std::string("Qt ") + qVersion();
    pdf->info.created = std::time(nullptr);
    pdf->bytes.clear();
    pdf->buffer = std::make_unique<QBuffer>(&pdf->bytes);
    pdf->buffer->open(QIODevice::WriteOnly);
    pdf->writer = std::make_unique<QPdfWriter>(pdf->buffer.get());
    pdf->writer->setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
    // One unit of the painter is one point.
    pdf->writer->setResolution(72);
    pdf->pages = 0;
    pdf->scope = kDocument;
    return 0;
}

int PdfSetParameter(PdfDocument* pdf, std::string_view key, std::string_view value) {
    static constexpr char kFunction[] = "PdfSetParameter";
    if (!Enter(pdf, kFunction, kDocument | kPage)) {
        return -1;
    }
    if (key != "hypertextencoding" || value != "host") {
        return Raise(pdf, kPdfErrorArgument, kFunction,
                     "unknown parameter " + Quoted(key) + " = " + Quoted(value));
    }
    return 0;
}

int PdfSetInfo(PdfDocument* pdf, std::string_view key, std::string_view value) {
    static constexpr char kFunction[] = "PdfSetInfo";
    if (!Enter(pdf, kFunction, kDocument | kPage)) {
        return -1;
    }
    const QString text = QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
    if (key == "Title") {
        pdf->info.title = value;
        pdf->writer->setTitle(text);
    } else if (key == "Creator") {
        pdf->info.creator = value;
        pdf->writer->setCreator(text);
    } else if (key == "Author") {
        pdf->info.author = value;  // Qt has no setter: carried by the update at the end
    } else {
        return Raise(pdf, kPdfErrorArgument, kFunction, "unknown info key " + Quoted(key));
    }
    return 0;
}

int PdfBeginPage(PdfDocument* pdf, double width, double height, std::string_view options) {
    static constexpr char kFunction[] = "PdfBeginPage";
    if (!Enter(pdf, kFunction, kDocument) || !NoOptions(pdf, kFunction, options)) {
        return -1;
    }
    if (!IsFiniteIn(width, 1, kMaxPagePoints) || !IsFiniteIn(height, 1, kMaxPagePoints)) {
        return Raise(pdf, kPdfErrorArgument, kFunction, "page size out of range");
    }
    const bool isLandscape = width > height;
    const QPageSize size(QSizeF(std::min(width, height), std::max(width, height)), QPageSize::Point,
                         QString(), QPageSize::ExactMatch);
    const QPageLayout layout(size, isLandscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                             QMarginsF(0, 0, 0, 0), QPageLayout::Point);
    if (!pdf->writer->setPageLayout(layout)) {
        return Raise(pdf, kPdfErrorArgument, kFunction, "page size not accepted");
    }
    if (pdf->painter.isActive()) {
        pdf->writer->newPage();
    } else if (!pdf->painter.begin(pdf->writer.get())) {
        return Raise(pdf, kPdfErrorOutput, kFunction, "could not start the page");
    }
    ++pdf->pages;
    pdf->pageHeight = height;
    pdf->font.reset();
    pdf->leading.reset();
    pdf->scope = kPage;
    return 0;
}

int PdfLoadFont(PdfDocument* pdf, std::string_view name, std::string_view encoding,
                std::string_view options) {
    static constexpr char kFunction[] = "PdfLoadFont";
    if (!Enter(pdf, kFunction, kDocument | kPage) || !NoOptions(pdf, kFunction, options)) {
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
    if (!Enter(pdf, kFunction, kPage)) {
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
    if (!Enter(pdf, kFunction, kPage)) {
        return -1;
    }
    if (key != "leading") {
        return Raise(pdf, kPdfErrorArgument, kFunction, "unknown value " + Quoted(key));
    }
    if (!IsFiniteIn(value, -kMaxPagePoints, kMaxPagePoints)) {
        return Raise(pdf, kPdfErrorArgument, kFunction, "leading out of range");
    }
    pdf->leading = value;
    return 0;
}

int PdfShowTextAt(PdfDocument* pdf, std::string_view text, double x, double y) {
    static constexpr char kFunction[] = "PdfShowTextAt";
    if (!Enter(pdf, kFunction, kPage)) {
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
    if (!Enter(pdf, kFunction, kPage)) {
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
    if (!Enter(pdf, kFunction, kDocument | kPage)) {
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
    if (!Enter(pdf, kFunction, kPage) || !NoOptions(pdf, kFunction, options)) {
        return -1;
    }
    PdfTextflow* flow = Handle(pdf->textflows, textflow);
    if (flow == nullptr) {
        return Raise(pdf, kPdfErrorHandle, kFunction,
                     "no text flow with handle " + std::to_string(textflow));
    }
    for (const double value : {x1, y1, x2, y2}) {
        if (!IsFiniteIn(value, -kMaxPagePoints, kMaxPagePoints)) {
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
    if (!Enter(pdf, kFunction, kDocument | kPage)) {
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
    if (!Enter(pdf, kFunction, kDocument | kPage) || !NoOptions(pdf, kFunction, options)) {
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
    if (!Enter(pdf, kFunction, kPage)) {
        return -1;
    }
    const QImage* picture = Handle(pdf->images, image);
    if (picture == nullptr) {
        return Raise(pdf, kPdfErrorHandle, kFunction,
                     "no image with handle " + std::to_string(image));
    }
    if (!IsFiniteIn(x, -kMaxPagePoints, kMaxPagePoints) ||
        !IsFiniteIn(y, -kMaxPagePoints, kMaxPagePoints)) {
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
    if (!Enter(pdf, kFunction, kDocument | kPage)) {
        return -1;
    }
    if (Handle(pdf->images, image) == nullptr) {
        return Raise(pdf, kPdfErrorHandle, kFunction,
                     "no image with handle " + std::to_string(image));
    }
    pdf->images[image].reset();
    return 0;
}

int PdfEndPage(PdfDocument* pdf, std::string_view options) {
    static constexpr char kFunction[] = "PdfEndPage";
    if (!Enter(pdf, kFunction, kPage) || !NoOptions(pdf, kFunction, options)) {
        return -1;
    }
    pdf->scope = kDocument;
    return 0;
}

int PdfEndDocument(PdfDocument* pdf, std::string_view options) {
    static constexpr char kFunction[] = "PdfEndDocument";
    if (!Enter(pdf, kFunction, kDocument) || !NoOptions(pdf, kFunction, options)) {
        return -1;
    }
    if (pdf->pages == 0) {
        return Raise(pdf, kPdfErrorScope, kFunction, "document has no pages");
    }
    if (!pdf->painter.end()) {
        return Raise(pdf, kPdfErrorOutput, kFunction, "the PDF writer did not finish");
    }
    pdf->writer.reset();
    pdf->buffer.reset();
    std::string document(pdf->bytes.constData(), static_cast<size_t>(pdf->bytes.size()));
    pdf->bytes.clear();
    std::string error;
    if (AppendInfoUpdate(&document, pdf->info, &error) != 0) {
        return Raise(pdf, kPdfErrorOutput, kFunction, error);
    }
    if (ReplaceFileAtomically(pdf->file, reinterpret_cast<const uint8_t*>(document.data()),
                              document.size()) != 0) {
        return Raise(pdf, kPdfErrorFile, kFunction,
                     "Couldn't write PDF file " + Quoted(pdf->file.string()));
    }
    pdf->scope = kObject;
    return 0;
}

int PdfErrorNumber(const PdfDocument* pdf) {
    return pdf == nullptr ? kPdfErrorNone : pdf->errorNumber;
}

const char* PdfErrorMessage(const PdfDocument* pdf) {
    return pdf == nullptr ? "" : pdf->errorMessage.c_str();
}

const char* PdfErrorFunction(const PdfDocument* pdf) {
    return pdf == nullptr ? "" : pdf->errorFunction.c_str();
}

bool PdfCaught(const PdfDocument* pdf) {
    return pdf != nullptr && pdf->isCaught;
}

}  // namespace vyr
