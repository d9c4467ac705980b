// Our PDFs read by outside tools, the oracles of the report tests: poppler's pdfinfo, pdftotext,
// pdfimages, pdffonts and pdftoppm, and qpdf. Each runs on the file and its output is parsed only
// as far as the tests assert.
#pragma once

#include <QImage>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace vyr::test {

// pdfinfo: "Title" -> "Detection Report", "Pages" -> "1", "Page size" -> "595 x 842 pts (A4)".
std::map<std::string, std::string> PdfInfo(const std::filesystem::path& pdf);
// pdfinfo -meta: the XMP packet.
std::string PdfMetadata(const std::filesystem::path& pdf);
// pdftotext (UTF-8): the non-empty lines in reading order.
std::vector<std::string> PdfTextLines(const std::filesystem::path& pdf);

// pdfimages -list: one row per image.
struct PdfImageRow {
    int width = 0;
    int height = 0;
    std::string encoding;  // "jpeg", "image" (Flate)
};
std::vector<PdfImageRow> PdfImages(const std::filesystem::path& pdf);

// pdffonts: one row per font.
struct PdfFontRow {
    std::string name;
    bool isEmbedded = false;
};
std::vector<PdfFontRow> PdfFonts(const std::filesystem::path& pdf);

// pdftoppm: the first page at 72 pixels per inch, so one pixel is one point (y from the top).
QImage RenderPage(const std::filesystem::path& pdf);

// qpdf --check: its exit code (0: no errors or warnings) and what it printed.
int QpdfCheck(const std::filesystem::path& pdf, std::string* output);

}  // namespace vyr::test
