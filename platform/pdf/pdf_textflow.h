// Text flows: a text in one font and size, broken into lines that fill a box from the top. Lines
// break at spaces or, inside words that do not fit and between CJK characters, anywhere the
// Unicode line-breaking rules allow; a line feed in the text starts a new line. The first baseline
// lies one leading below the box's top, the next ones one leading further each (the leading is the
// font size), and a line is placed only when its descender stays inside the box. What does not
// fit stays in the flow for a later fit (the report leaves it out).
//
// Creation options: fontname and encoding (see pdf_fonts.h), fontsize (> 0), and textlen, the
// number of bytes of the text to take (for "UniGB-UCS2-H" an even number: UTF-16 code units in
// the machine's byte order; terminating zero characters are dropped).
#pragma once

#include <QFont>
#include <QString>
#include <string>
#include <string_view>

class QPainter;

namespace vyr {

struct PdfTextflow {
    QString text;
    QFont font;
    double fontSize = 0;
    qsizetype next = 0;  // where the next fit starts
};

// Returns 0 with *flow, or -1 with *error (options, font, text length).
[[nodiscard]] int MakeTextflow(std::string_view text, std::string_view options, PdfTextflow* flow,
                               std::string* error);

// Places lines of the flow into the box with corners (x1, y1) and (x2, y2) (PDF coordinates, any
// two opposite corners) on painter's page of height pageHeight (painter in points, y downwards).
// Returns 0 when the whole text is placed, 1 when the box is full and text is left.
int FitTextflow(QPainter& painter, double pageHeight, PdfTextflow* flow, double x1, double y1,
                double x2, double y2);

}  // namespace vyr
