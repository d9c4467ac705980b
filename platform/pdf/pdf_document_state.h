// The state behind a PdfDocument handle and the bookkeeping every call shares: scopes, the
// exception (the first failure is kept, later calls do nothing), handle tables. Internal to the
// PDF layer's two implementation files.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pdf/pdf_document.h"
#include "platform/pdf/pdf_fonts.h"
#include "platform/pdf/pdf_info_update.h"
#include "platform/pdf/pdf_textflow.h"

namespace vyr {

enum PdfScope : unsigned { kScopeObject = 1, kScopeDocument = 2, kScopePage = 4 };

struct PdfDocument {
    PdfScope scope = kScopeObject;
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

inline constexpr double kPdfMaxPagePoints = 14400;  // PDF's largest page side

// Records an error without raising the exception (the two plain failures).
void SetError(PdfDocument* pdf, int number, const char* function, std::string message);
// Raises the exception unless it was raised before (the first failure is kept). Returns -1.
int Raise(PdfDocument* pdf, int number, const char* function, std::string message);
// The common start of every call: false when the call must do nothing (and return -1): a null
// document, a raised exception, or a scope not in scopes (which raises).
bool Enter(PdfDocument* pdf, const char* function, unsigned scopes);
// An option list that must hold no option at all; raises otherwise.
bool NoOptions(PdfDocument* pdf, const char* function, std::string_view options);

std::string Quoted(std::string_view text);

inline bool IsFiniteIn(double value, double low, double high) {
    return std::isfinite(value) && value >= low && value <= high;
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

}  // namespace vyr
