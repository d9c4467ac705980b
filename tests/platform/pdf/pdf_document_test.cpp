// The PDF layer's document through its calls, judged by poppler and qpdf: the exception that
// skips the rest of a document and is caught afterwards, the two plain failures that leave it
// usable, no file (and an old file untouched) when a document does not end, the document
// information and PDF/A XMP carried by the incremental update, text flows that carry what does not
// fit into the next box, and an update refused on files it cannot read.
#include "platform/pdf/pdf_document.h"

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/pdf/pdf_info_update.h"
#include "support/pdf_tools.h"
#include "support/temp_dir.h"

namespace vyr {
namespace {

namespace fs = std::filesystem;
using Pdf = std::unique_ptr<PdfDocument, decltype(&PdfDelete)>;

Pdf NewPdf() {
    return Pdf(PdfNew(), &PdfDelete);
}

// Begins a document at file with one page and the Latin font set.
void StartPage(PdfDocument* pdf, const fs::path& file) {
    ASSERT_EQ(PdfBeginDocument(pdf, file.string(), ""), 0) << PdfErrorMessage(pdf);
    ASSERT_EQ(PdfBeginPage(pdf, 595, 842, ""), 0) << PdfErrorMessage(pdf);
    const int font = PdfLoadFont(pdf, "Helvetica-Bold", "winansi", "");
    ASSERT_GE(font, 0) << PdfErrorMessage(pdf);
    ASSERT_EQ(PdfSetFont(pdf, font, 20), 0);
}

struct ExceptionCase {
    const char* what;
    enum { kNothing, kDocument, kPage } before;  // begun before the calls
    void (*calls)(PdfDocument* pdf, const std::string& picture);
    int number;
    const char* function;
    const char* messagePart;
};

TEST(PdfDocument, AnExceptionSkipsTheRestLeavesNoFileAndIsCaughtAfterwards) {
    test::TempDir dir;
    const fs::path picture = dir.path() / "p.png";
    QImage(8, 8, QImage::Format_RGB32).save(QString::fromStdString(picture.string()));
    const ExceptionCase cases[] = {
        {"page before the document", ExceptionCase::kNothing,
         [](PdfDocument* pdf, const std::string&) { (void)PdfBeginPage(pdf, 595, 842, ""); },
         kPdfErrorScope, "PdfBeginPage", "'object' scope"},
        {"unknown fit option", ExceptionCase::kPage,
         [](PdfDocument* pdf, const std::string& image) {
             const int handle = PdfLoadImage(pdf, "auto", image, "");
             (void)PdfFitImage(pdf, handle, 0, 0, "boxsize={10 10} colour=red");
         },
         kPdfErrorOption, "PdfFitImage", "unknown option 'colour'"},
        {"font that does not exist", ExceptionCase::kPage,
         [](PdfDocument* pdf, const std::string&) {
             (void)PdfLoadFont(pdf, "Times-Roman", "winansi", "");
         },
         kPdfErrorFont, "PdfLoadFont", "unknown font 'Times-Roman'"},
        {"text flow handle never made", ExceptionCase::kPage,
         [](PdfDocument* pdf, const std::string&) {
             (void)PdfFitTextflow(pdf, 7, 30, 620, 560, 220, "");
         },
         kPdfErrorHandle, "PdfFitTextflow", "handle 7"},
        {"document without pages", ExceptionCase::kDocument,
         [](PdfDocument* pdf, const std::string&) { (void)PdfEndDocument(pdf, ""); },
         kPdfErrorScope, "PdfEndDocument", "no pages"},
    };
    for (const ExceptionCase& test : cases) {
        SCOPED_TRACE(test.what);
        const fs::path file = dir.path() / "out.pdf";
        Pdf pdf = NewPdf();
        if (test.before == ExceptionCase::kPage) {
            StartPage(pdf.get(), file);
        } else if (test.before == ExceptionCase::kDocument) {
            ASSERT_EQ(PdfBeginDocument(pdf.get(), file.string(), ""), 0);
        }
        test.calls(pdf.get(), picture.string());
        EXPECT_TRUE(PdfCaught(pdf.get()));
        EXPECT_EQ(PdfErrorNumber(pdf.get()), test.number);
        EXPECT_STREQ(PdfErrorFunction(pdf.get()), test.function);
        EXPECT_NE(std::string(PdfErrorMessage(pdf.get())).find(test.messagePart), std::string::npos)
            << PdfErrorMessage(pdf.get());
        // The rest of the block does nothing and keeps the first error.
        EXPECT_EQ(PdfEndPage(pdf.get(), ""), -1);
        EXPECT_EQ(PdfEndDocument(pdf.get(), ""), -1);
        EXPECT_STREQ(PdfErrorFunction(pdf.get()), test.function);
        EXPECT_FALSE(fs::exists(file));
    }
}

TEST(PdfDocument, UnopenableFilesFailPlainlyAndAnUnfinishedDocumentLeavesTheOldFile) {
    test::TempDir dir;
    Pdf pdf = NewPdf();
    const fs::path missing = dir.path() / "no-such-folder" / "r.pdf";
    EXPECT_EQ(PdfBeginDocument(pdf.get(), missing.string(), ""), -1);
    EXPECT_FALSE(PdfCaught(pdf.get()));
    EXPECT_NE(std::string(PdfErrorMessage(pdf.get())).find("Couldn't open PDF file"),
              std::string::npos);
    EXPECT_EQ(PdfBeginDocument(pdf.get(), dir.path().string(), ""), -1);  // a folder

    const fs::path file = dir.path() / "r.pdf";
    std::ofstream(file) << "old report";
    StartPage(pdf.get(), file);
    std::ofstream(dir.path() / "notes.txt") << "not a picture";
    for (const fs::path& bad : {dir.path() / "none.bmp", dir.path() / "notes.txt"}) {
        EXPECT_EQ(PdfLoadImage(pdf.get(), "auto", bad.string(), ""), -1);
        EXPECT_FALSE(PdfCaught(pdf.get()));
        EXPECT_NE(std::string(PdfErrorMessage(pdf.get())).find("Couldn't open image file"),
                  std::string::npos);
    }
    EXPECT_EQ(PdfShowTextAt(pdf.get(), "still usable", 50, 800), 0);
    pdf.reset();  // never ended
    std::ostringstream kept;
    kept << std::ifstream(file).rdbuf();
    EXPECT_EQ(kept.str(), "old report");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

std::string LineWord(int i) {
    return "line" + std::string(i < 10 ? "0" : "") + std::to_string(i);
}

TEST(PdfDocument, InformationAndFlowsAsPopplerReadsThem) {
    test::TempDir dir;
    const fs::path file = dir.path() / "r.pdf";
    Pdf pdf = NewPdf();
    StartPage(pdf.get(), file);
    ASSERT_EQ(PdfSetInfo(pdf.get(), "Author", "Zevra & Söhne <Zahn>"), 0);
    // Set after the page began, when Qt has already written its own information.
    ASSERT_EQ(PdfSetInfo(pdf.get(), "Title", "Detection Report"), 0);

    // 30 lines at 20 points: 19 fit between y 620 and y 220, the rest fills a second box.
    std::string lines;
    for (int i = 1; i <= 30; ++i) {
        lines += LineWord(i) + "\n";
    }
    const int flow =
        PdfCreateTextflow(pdf.get(), lines, "fontname=Helvetica-Bold fontsize=20 encoding=winansi");
    ASSERT_GE(flow, 0) << PdfErrorMessage(pdf.get());
    EXPECT_EQ(PdfFitTextflow(pdf.get(), flow, 30, 620, 560, 220, ""), 1);
    EXPECT_EQ(PdfFitTextflow(pdf.get(), flow, 300, 620, 560, 300, ""), 0);
    ASSERT_EQ(PdfDeleteTextflow(pdf.get(), flow), 0);
    ASSERT_EQ(PdfEndPage(pdf.get(), ""), 0);
    ASSERT_EQ(PdfEndDocument(pdf.get(), ""), 0) << PdfErrorMessage(pdf.get());
    EXPECT_FALSE(PdfCaught(pdf.get()));

    std::map<std::string, std::string> info = test::PdfInfo(file);
    EXPECT_EQ(info["Author"], "Zevra & Söhne <Zahn>");
    EXPECT_EQ(info["Title"], "Detection Report");
    const std::string xmp = test::PdfMetadata(file);
    for (const char* part :
         {"<pdfaid:part>1</pdfaid:part>", "<pdfaid:conformance>B</pdfaid:conformance>",
          "<rdf:li>Zevra &amp; Söhne &lt;Zahn&gt;</rdf:li>"}) {
        EXPECT_NE(xmp.find(part), std::string::npos) << part << "\n" << xmp;
    }
    std::string check;
    EXPECT_EQ(test::QpdfCheck(file, &check), 0) << check;

    // Nothing is lost between the boxes: every line is on the page.
    const std::vector<std::string> text = test::PdfTextLines(file);
    for (int i = 1; i <= 30; ++i) {
        EXPECT_NE(std::find(text.begin(), text.end(), LineWord(i)), text.end()) << LineWord(i);
    }
}

TEST(PdfInfoUpdate, RefusesFilesItCannotReadAndLeavesThemAlone) {
    PdfDocumentInfo info{"T", "A", "C", "P", 0};
    const std::string valid =
        "%PDF-1.4\n1 0 obj\n<< >>\nendobj\n2 0 obj\n<< /Type /Catalog /Metadata 3 0 R >>\n"
        "endobj\nxref\n0 3\n0000000000 65535 f \n0000000009 00000 n \n0000000030 00000 n \n"
        "trailer\n<< /Size 4 /Root 2 0 R /Info 1 0 R /ID [<00> <00>] >>\nstartxref\n82\n%%EOF\n";
    std::string updated = valid;
    std::string error;
    ASSERT_EQ(AppendInfoUpdate(&updated, info, &error), 0) << error;
    EXPECT_EQ(updated.substr(0, valid.size()), valid);
    EXPECT_NE(updated.find("/Prev 82\n"), std::string::npos);

    const auto replace = [&valid](const std::string& from, const std::string& to) {
        std::string text = valid;
        return text.replace(text.find(from), from.size(), to);
    };
    for (const std::string& bad :
         {std::string(), std::string("garbage"), valid.substr(0, valid.size() - 20),
          replace("startxref\n82", "startxref\n9999"), replace("startxref\n82", "startxref\n83"),
          replace("/Root 2 0 R", "/Root 5 0 R"), replace("/Info 1 0 R ", ""),
          replace("/Metadata 3 0 R", "/Metadata 1 0 R"), replace("0 3\n", "0 300\n"),
          replace("/ID [<00> <00>]", "/ID <00>")}) {
        std::string text = bad;
        EXPECT_EQ(AppendInfoUpdate(&text, info, &error), -1) << bad;
        EXPECT_EQ(text, bad);
    }
}

}  // namespace
}  // namespace vyr
