// The PDF layer: exactly the calls the report makes, on QPdfWriter and QPainter. A document is
// written as PDF/A-1b (XMP identification, sRGB output intent, embedded fonts, no transparency);
// its Author and the matching XMP are added by an incremental update when it ends
// (pdf_info_update.h). The file is replaced atomically at the end, so a document that is never
// ended, or fails, leaves no file and no partial file behind.
//
// Coordinates are PDF points, origin at the page's bottom-left corner. Texts are UTF-8 (UTF-16 for
// the encoding "UniGB-UCS2-H"), fonts and encodings as in pdf_fonts.h, option lists as in
// pdf_options.h; a call that takes options accepts only the keys named at it, and an empty list.
//
// Errors. PdfBeginDocument and PdfLoadImage return -1 when the file cannot be opened, and
// PdfErrorMessage then says why; the document stays usable. Every other failure (wrong scope, bad
// handle, bad option, font not usable, output not written) is the document's exception: the call
// returns -1, the error number, message and function name are kept, and every later call does
// nothing and returns -1, as if the rest of the guarded block had been skipped. PdfCaught tells
// the caller afterwards, as a catch would. Every function accepts a null document and then fails
// (-1) or does nothing. User-interface thread only (fonts are registered with Qt).
//
// Scopes: after PdfNew "object"; PdfBeginDocument -> "document"; PdfBeginPage -> "page";
// PdfEndPage -> "document"; PdfEndDocument -> "object" again.
#pragma once

#include <string_view>

namespace vyr {

// Error numbers of the exception (and of the two plain failures).
enum PdfError : int {
    kPdfErrorNone = 0,
    kPdfErrorArgument = 1100,  // a number or name outside what the call accepts
    kPdfErrorOption = 1200,    // option list: unknown key, bad value, malformed
    kPdfErrorScope = 1300,     // call not allowed in the current scope
    kPdfErrorHandle = 1400,    // no font, image or text flow with that handle
    kPdfErrorFont = 2100,      // font name, encoding or font file
    kPdfErrorImage = 2200,     // image file missing or not a picture
    kPdfErrorFile = 2300,      // PDF file cannot be opened or written
    kPdfErrorOutput = 2400,    // the written document could not be completed
};

struct PdfDocument;

// A new document object, or nullptr when it cannot be made (no memory, no QGuiApplication).
PdfDocument* PdfNew();
// Frees the object; a document that was not ended is dropped and no file is written.
void PdfDelete(PdfDocument* pdf);

// Scope object. Checks that fileName can be created or replaced (its folder writable, the file not
// read-only, not a folder); the file is written at PdfEndDocument. Options: none.
// Returns 0, or -1 with the reason in PdfErrorMessage.
[[nodiscard]] int PdfBeginDocument(PdfDocument* pdf, std::string_view fileName,
                                   std::string_view options);
// Any scope but object. Only "hypertextencoding" = "host" (texts of PdfSetInfo are UTF-8).
int PdfSetParameter(PdfDocument* pdf, std::string_view key, std::string_view value);
// Document or page. Keys "Title", "Author", "Creator"; values UTF-8.
int PdfSetInfo(PdfDocument* pdf, std::string_view key, std::string_view value);
// Document. A page of width x height points (each 1 to 14400). Options: none. Returns 0 or -1.
int PdfBeginPage(PdfDocument* pdf, double width, double height, std::string_view options);
// Document or page. Options: none. Returns a font handle (>= 0) or -1.
int PdfLoadFont(PdfDocument* pdf, std::string_view name, std::string_view encoding,
                std::string_view options);
// Page. The font for the texts that follow, size in points (> 0, <= 1000). Returns 0 or -1.
int PdfSetFont(PdfDocument* pdf, int font, double size);
// Page. Only "leading": the distance of the lines of PdfContinueText (until set: the font size).
int PdfSetValue(PdfDocument* pdf, std::string_view key, double value);
// Page. Text with its baseline starting at (x, y); the start of a text line for PdfContinueText.
int PdfShowTextAt(PdfDocument* pdf, std::string_view text, double x, double y);
// Page. Text one leading below the start of the previous line (an empty text only moves down).
int PdfContinueText(PdfDocument* pdf, std::string_view text);
// Document or page. Options as in pdf_textflow.h. Returns a text-flow handle (>= 0) or -1.
int PdfCreateTextflow(PdfDocument* pdf, std::string_view text, std::string_view options);
// Page. Fills the box with corners (x1, y1), (x2, y2). Options: none.
// Returns 0 when all text is placed, 1 when the box is full and text is left, -1 on error.
int PdfFitTextflow(PdfDocument* pdf, int textflow, double x1, double y1, double x2, double y2,
                   std::string_view options);
// Document or page. Returns 0 or -1.
int PdfDeleteTextflow(PdfDocument* pdf, int textflow);
// Document or page. type "auto" (or "bmp", "jpeg", "png"); options: none. Pictures with
// transparency are put on white. Returns an image handle (>= 0), or -1 with the reason in
// PdfErrorMessage when the file cannot be read as a picture (no exception).
[[nodiscard]] int PdfLoadImage(PdfDocument* pdf, std::string_view type, std::string_view fileName,
                               std::string_view options);
// Page. Places the image at reference point (x, y) with "boxsize", "position" and "fitmethod"
// (pdf_image_fit.h). Stored as JPEG of quality 94, or without loss when that is smaller (pictures
// of few colours). Returns 0 or -1.
int PdfFitImage(PdfDocument* pdf, int image, double x, double y, std::string_view options);
// Document or page. Returns 0 or -1.
int PdfCloseImage(PdfDocument* pdf, int image);
// Page. Options: none. Returns 0 or -1.
int PdfEndPage(PdfDocument* pdf, std::string_view options);
// Document, after at least one page. Finishes the PDF, adds the document information and replaces
// the file. Options: none. Returns 0 or -1.
int PdfEndDocument(PdfDocument* pdf, std::string_view options);

// The last error: number (kPdfErrorNone when there was none), message and the function's name
// ("PdfFitImage"); empty strings when there was none. Valid until the next call.
int PdfErrorNumber(const PdfDocument* pdf);
const char* PdfErrorMessage(const PdfDocument* pdf);
const char* PdfErrorFunction(const PdfDocument* pdf);
// Whether the document's exception was raised (the catch of the guarded block).
bool PdfCaught(const PdfDocument* pdf);

}  // namespace vyr
