// Text flows on QTextLayout: the layout breaks the lines by the Unicode rules with the font's
// metrics on the PDF device (72 units per inch, so one unit is one point); each line that fits is
// drawn at its baseline with the painter.
#include "platform/pdf/pdf_textflow.h"

#include <QPainter>
#include <QTextLayout>
#include <array>
#include <cmath>

#include "platform/pdf/pdf_fonts.h"
#include "platform/pdf/pdf_options.h"

namespace vyr {
namespace {

constexpr double kMaxFontSize = 1000;

int Fail(std::string* error, std::string message) {
    *error = std::move(message);
    return -1;
}

const std::string* Single(const PdfOptionList& list, std::string_view key) {
    const PdfOption* option = list.Find(key);
    return option != nullptr && option->values.size() == 1 ? &option->values[0] : nullptr;
}

// Line feeds, carriage returns and their pairs become line separators, which QTextLayout breaks
// at (it does not break at a line feed itself).
QString WithLineSeparators(QString text) {
    text.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
    text.replace(QChar(u'\r'), QChar::LineSeparator);
    text.replace(QChar(u'\n'), QChar::LineSeparator);
    return text;
}

}  // namespace

int MakeTextflow(std::string_view text, std::string_view options, PdfTextflow* flow,
                 std::string* error) {
    static constexpr std::array<std::string_view, 4> kKeys = {"fontname", "fontsize", "encoding",
                                                              "textlen"};
    PdfOptionList list;
    if (ParsePdfOptions(options, kKeys, &list, error) != 0) {
        return -1;
    }
    const std::string* fontName = Single(list, "fontname");
    const std::string* encoding = Single(list, "encoding");
    const std::string* sizeWord = Single(list, "fontsize");
    double size = 0;
    if (fontName == nullptr || encoding == nullptr || sizeWord == nullptr) {
        return Fail(error, "text flow needs fontname, fontsize and encoding");
    }
    if (ParsePdfNumber(*sizeWord, &size) != 0 || size <= 0 || size > kMaxFontSize) {
        return Fail(error, "bad value for option 'fontsize'");
    }
    if (list.Find("textlen") != nullptr) {
        const std::string* lengthWord = Single(list, "textlen");
        double length = -1;
        if (lengthWord == nullptr || ParsePdfNumber(*lengthWord, &length) != 0 || length < 0 ||
            length != std::floor(length) || length > static_cast<double>(text.size())) {
            return Fail(error, "bad value for option 'textlen'");
        }
        text = text.substr(0, static_cast<size_t>(length));
    }
    PdfFontFace face;
    if (LoadPdfFontFace(*fontName, *encoding, &face, error) != 0) {
        return -1;
    }
    QString decoded;
    if (DecodePdfText(text, face.format, &decoded) != 0) {
        return Fail(error, "UTF-16 text of an odd number of bytes");
    }
    face.font.setPointSizeF(size);
    flow->text = WithLineSeparators(decoded);
    flow->font = face.font;
    flow->fontSize = size;
    flow->next = 0;
    return 0;
}

int FitTextflow(QPainter& painter, double pageHeight, PdfTextflow* flow, double x1, double y1,
                double x2, double y2) {
    const double left = std::min(x1, x2);
    const double width = std::fabs(x2 - x1);
    const double top = std::max(y1, y2);
    const double bottom = std::min(y1, y2);
    const double leading = flow->fontSize;

    QTextLayout layout(flow->text.mid(flow->next), flow->font, painter.device());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    double baseline = top - leading;
    qsizetype placedUpTo = 0;
    bool isFull = false;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (baseline - line.descent() < bottom) {
            isFull = true;
            break;
        }
        line.setPosition(QPointF(0, 0));
        // QTextLine::draw puts the line's top at the given point; its baseline is ascent below.
        line.draw(&painter, QPointF(left, pageHeight - baseline - line.ascent()));
        placedUpTo = line.textStart() + line.textLength();
        baseline -= leading;
    }
    layout.endLayout();
    flow->next += placedUpTo;
    return isFull ? 1 : 0;
}

}  // namespace vyr
