// The PDF layer's document: scope and exception bookkeeping around a QPdfWriter that paints into
// memory, the document and its pages, the information and the final file. Every call starts with
// Enter, which refuses a null document, a document whose exception was raised and a call outside
// its scopes; Raise records the first exception only. Fonts, texts and pictures are in
// pdf_document_content.cpp.
#include "platform/pdf/pdf_document.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QGuiApplication>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <new>

#include "platform/atomic_file.h"
#include "platform/pdf/pdf_document_state.h"
#include "platform/pdf/pdf_options.h"

namespace vyr {
namespace {

const char* ScopeName(PdfScope scope) {
    switch (scope) {
        case kScopeObject:
            return "object";
        case kScopeDocument:
            return "document";
        case kScopePage:
            return "page";
    }
    return "?";
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

}  // namespace

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

bool NoOptions(PdfDocument* pdf, const char* function, std::string_view options) {
    PdfOptionList list;
    std::string error;
    if (ParsePdfOptions(options, {}, &list, &error) != 0) {
        Raise(pdf, kPdfErrorOption, function, error);
        return false;
    }
    return true;
}

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

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
    if (!Enter(pdf, kFunction, kScopeObject) || !NoOptions(pdf, kFunction, options)) {
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
    pdf->scope = kScopeDocument;
    return 0;
}

int PdfSetParameter(PdfDocument* pdf, std::string_view key, std::string_view value) {
    static constexpr char kFunction[] = "PdfSetParameter";
    if (!Enter(pdf, kFunction, kScopeDocument | kScopePage)) {
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
    if (!Enter(pdf, kFunction, kScopeDocument | kScopePage)) {
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
    if (!Enter(pdf, kFunction, kScopeDocument) || !NoOptions(pdf, kFunction, options)) {
        return -1;
    }
    if (!IsFiniteIn(width, 1, kPdfMaxPagePoints) || !IsFiniteIn(height, 1, kPdfMaxPagePoints)) {
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
    pdf->scope = kScopePage;
    return 0;
}

int PdfEndPage(PdfDocument* pdf, std::string_view options) {
    static constexpr char kFunction[] = "PdfEndPage";
    if (!Enter(pdf, kFunction, kScopePage) || !NoOptions(pdf, kFunction, options)) {
        return -1;
    }
    pdf->scope = kScopeDocument;
    return 0;
}

int PdfEndDocument(PdfDocument* pdf, std::string_view options) {
    static constexpr char kFunction[] = "PdfEndDocument";
    if (!Enter(pdf, kFunction, kScopeDocument) || !NoOptions(pdf, kFunction, options)) {
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
    pdf->scope = kScopeObject;
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
