// The PDF layer's fonts: the two base-font names the report asks for, each with the encodings it
// accepts and the font file (from a Debian package) that stands in for it. Files are registered
// with Qt by path, so the page never depends on which fonts fontconfig would choose.
//   "Helvetica-Bold"  Liberation Sans Bold (fonts-liberation2; fonts-liberation as a second
//                     choice), Helvetica's metrics; encoding "winansi"
//   "STSong-Light"    AR PL UMing CN (fonts-arphic-uming), a Song (Ming) face with simplified and
//                     traditional characters; encodings "GB-EUC-H" and "UniGB-UCS2-H"
// Text reaches the layer as UTF-8 for every encoding but "UniGB-UCS2-H", which takes UTF-16 in the
// machine's byte order: the program keeps its texts in UTF-8 where the original kept GBK.
// Characters the Latin face lacks are drawn from the Song face, so a Chinese name in an English
// report is still readable.
#pragma once

#include <QFont>
#include <QString>
#include <string>
#include <string_view>

namespace vyr {

enum class PdfTextFormat { kUtf8, kUtf16 };

struct PdfFontFace {
    QFont font;  // families, weight and no hinting set; the size is set by the caller
    PdfTextFormat format = PdfTextFormat::kUtf8;
};

// Registers the font file for name (once per process) and describes the face for encoding.
// Returns 0, or -1 with *error (unknown name, encoding not allowed for it, no font file).
// Needs a QGuiApplication; user-interface thread only.
[[nodiscard]] int LoadPdfFontFace(std::string_view name, std::string_view encoding,
                                  PdfFontFace* face, std::string* error);

// How text is given for an encoding: UTF-16 for "UniGB-UCS2-H", UTF-8 for all others.
PdfTextFormat TextFormatOf(std::string_view encoding);

// The characters of text given in format; trailing zero characters (a terminator passed along)
// are dropped. Returns 0, or -1 for UTF-16 of an odd number of bytes.
[[nodiscard]] int DecodePdfText(std::string_view bytes, PdfTextFormat format, QString* text);

}  // namespace vyr
