// Output Report through the real main window, as a person uses it: pictures clicked in the photo
// list, a description typed, the button pressed and a name given in the save dialog. The report's
// page is judged here by poppler (pdftotext, pdfimages, pdffonts, the page rendered by pdftoppm);
// failures write nothing and say why. The PDF layer's own errors, its document information, XMP
// and structure (qpdf): pdf_layer_test.
#include "ui/report_export.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QPlainTextEdit>
#include <ctime>

#include "main_dlg_fixture.h"
#include "platform/atomic_file.h"
#include "support/file_bytes.h"
#include "support/pdf_tools.h"

namespace vyr::test {
namespace {

namespace fs = std::filesystem;

// Whether the page's pixel at x and PDF height y (rendered at 72 pixels per inch, so pixel row
// 842 - y) is within 12 levels of colour in each channel.
bool IsNear(const QImage& page, int x, double pdfY, const QColor& colour) {
    const QColor at = page.pixelColor(x, 842 - static_cast<int>(pdfY));
    return std::abs(at.red() - colour.red()) <= 12 && std::abs(at.green() - colour.green()) <= 12 &&
           std::abs(at.blue() - colour.blue()) <= 12;
}

std::string ReadText(const fs::path& file) {
    const std::vector<uint8_t> bytes = ReadFileBytes(file.string());
    return std::string(bytes.begin(), bytes.end());
}

class ReportExportTest : public MainDlgTest {
protected:
    // Types text into the description box key by key, as an input method delivers characters.
    void TypeDescription(const QString& text) {
        QPlainTextEdit* box = window_->descriptionBox();
        box->setFocus();
        for (const QChar c : text) {
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
        ASSERT_EQ(box->toPlainText(), text);
    }
    // Presses Output Report and answers the save dialog with name, in the test's folder unless
    // absolute (empty: Cancel).
    fs::path Export(const fs::path& name) {
        const fs::path file = name.empty() ? fs::path() : dir_.path() / name;
        prompts_.QueueFileName(QString::fromStdString(file.string()));
        before_ = std::time(nullptr);
        ClickControl(*window_, kIdOutputReport);
        after_ = std::time(nullptr);
        return file;
    }
    // Whether line is prefix and the local time of the export to the minute.
    bool IsDateLine(const std::string& line, const std::string& prefix) const {
        for (const std::time_t time : {before_, after_}) {
            std::tm local{};
            localtime_r(&time, &local);
            char text[32];
            std::strftime(text, sizeof text, "%Y%m%d %H:%M", &local);
            if (line == prefix + text) {
                return true;
            }
        }
        return false;
    }
    std::time_t before_ = 0;
    std::time_t after_ = 0;
};

TEST_F(ReportExportTest, OnePictureReportThroughTheWindow) {
    SetPatient("zevra", "30", "10000", kGenderMale);
    WritePicture(PatientFolder() / "a.bmp", 640, 360, Qt::red);
    WritePicture(PatientFolder() / "b.bmp", 640, 360, Qt::green);
    PhotoList& list = OpenPhotoList();
    ASSERT_EQ(list.count(), 2);
    ClickRow(list, 1);
    ASSERT_EQ(CurrentItemIndex(), 1);
    TypeDescription("Caries on tooth 36");
    Export("NAME");
    const fs::path pdf = dir_.path() / "NAME.pdf";
    ASSERT_TRUE(fs::exists(pdf));
    EXPECT_FALSE(fs::exists(dir_.path() / "NAME"));
    ASSERT_EQ(prompts_.asked().size(), 1u);
    const testing::ScriptedPrompts::Asked& asked = prompts_.asked()[0];
    EXPECT_EQ(asked.kind, testing::ScriptedPrompts::Kind::kSaveFile);
    EXPECT_EQ(asked.owner, window_.get());
    EXPECT_EQ(asked.file.filter, "All Files(*.pdf)");
    const std::string suggested = asked.file.fileName.toStdString();
    EXPECT_TRUE(suggested == SuggestedReportName("10000", before_) ||
                suggested == SuggestedReportName("10000", after_))
        << suggested;
    ASSERT_EQ(shell_.opened(), std::vector<fs::path>{pdf});

    // A picture of one colour is smaller without loss than as JPEG.
    const std::vector<PdfImageRow> images = PdfImages(pdf);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].width, 640);
    EXPECT_EQ(images[0].height, 360);
    EXPECT_EQ(images[0].encoding, "image");
    // The clicked (green) picture stands on y 30 across the page.
    const QImage page = RenderPage(pdf);
    ASSERT_EQ(page.size(), QSize(595, 842));
    EXPECT_TRUE(IsNear(page, 297, 200, Qt::green));
}

TEST_F(ReportExportTest, TwoPicturesSideBySideHighestIndexLeftAndNoneWithoutAClick) {
    for (const auto& [name, colour] : {std::pair{"a.bmp", Qt::red}, std::pair{"b.bmp", Qt::green},
                                       std::pair{"c.bmp", Qt::blue}}) {
        WritePicture(PatientFolder() / name, 640, 360, colour);
    }
    PhotoList& list = OpenPhotoList();
    ASSERT_EQ(list.count(), 3);
    ClickRow(list, 0);
    ClickRow(list, 1, Qt::ControlModifier);
    ClickRow(list, 2, Qt::ControlModifier);
    ASSERT_EQ(list.selectedItems().size(), 3);
    ASSERT_EQ(CurrentItemIndex(), 0);
    const fs::path two = Export("two.pdf");
    ASSERT_EQ(PdfImages(two).size(), 2u);
    // Blue (index 2) in the left box, green (index 1) in the right one; red (index 0) nowhere.
    const QImage page = RenderPage(two);
    EXPECT_TRUE(IsNear(page, 149, 110, Qt::blue));
    EXPECT_TRUE(IsNear(page, 445, 110, Qt::green));
    // Everything selected from the keyboard with no click on an item (the current-item index -1):
    // no picture.
    SetCurrentItemIndex(-1);
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_A, Qt::ControlModifier);
    ASSERT_EQ(list.selectedItems().size(), 3);
    ASSERT_EQ(CurrentItemIndex(), -1);
    EXPECT_TRUE(PdfImages(Export("unclicked.pdf")).empty());
    EXPECT_EQ(shell_.opened().size(), 2u);
}

TEST_F(ReportExportTest, LanguagesAsTextWithEveryFontEmbedded) {
    // The text lines joined by '|'; the date line's prefix stands for the whole line.
    const std::tuple<int, const char*, const char*> cases[] = {
        // A Chinese name in a Latin report too.
        {0, "Save as",
         "Report:|Name:张三 Gender:M Age:30|Tel:10000|Date:|Description of illness:|"
         "左下第一磨牙龋齿"},
        {1, "保存文件",
         "检测报告:|姓名:张三 性别:男 年龄:30|电话:10000|日期:|病情描叙:|左下第一磨牙龋齿"},
        // Outside 0 to 5: no heading, empty lines, no dialog title; the description stays.
        {7, "", "左下第一磨牙龋齿"},
    };
    SetPatient("张三", "30", "10000", kGenderMale);
    for (const auto& [index, caption, joined] : cases) {
        SCOPED_TRACE(index);
        const QStringList expected = QString::fromUtf8(joined).split('|');
        WriteLanguage(index);
        Open();
        TypeDescription(expected.back());
        const fs::path pdf = Export("lang" + std::to_string(index)).concat(".pdf");
        EXPECT_EQ(prompts_.asked().back().file.caption.toStdString(), caption);
        const std::vector<std::string> lines = PdfTextLines(pdf);
        ASSERT_EQ(lines.size(), static_cast<size_t>(expected.size()));
        for (size_t i = 0; i < lines.size(); ++i) {
            const std::string line = expected[static_cast<qsizetype>(i)].toStdString();
            EXPECT_TRUE(i == 3 ? IsDateLine(lines[i], line) : lines[i] == line) << lines[i];
        }
        const std::vector<PdfFontRow> fonts = PdfFonts(pdf);
        ASSERT_FALSE(fonts.empty());
        for (const PdfFontRow& font : fonts) {
            EXPECT_TRUE(font.isEmbedded) << font.name;
        }
    }
}

TEST_F(ReportExportTest, FileNamesCancelOverwriteAndFailuresThatWriteNothing) {
    MainDlg& window = Open();
    // A '/' in a TEL would make the suggested name climb into a folder: it becomes '_'.
    EXPECT_EQ(SuggestedReportName("12/../34", 0).rfind("12_.._34_", 0), 0u);
    // ".pdf" is appended unless the name ends in exactly ".pdf".
    Export("x.PDF");
    EXPECT_TRUE(fs::exists(dir_.path() / "x.PDF.pdf"));
    EXPECT_FALSE(fs::exists(dir_.path() / "x.PDF"));
    Export("y.pdf");
    EXPECT_TRUE(fs::exists(dir_.path() / "y.pdf"));
    EXPECT_FALSE(fs::exists(dir_.path() / "y.pdf.pdf"));
    ASSERT_EQ(shell_.opened().size(), 2u);
    // Cancel writes nothing.
    const auto filesInDir = [&] { return std::distance(fs::directory_iterator(dir_.path()), {}); };
    const auto files = filesInDir();
    Export("");
    EXPECT_EQ(filesInDir(), files);
    // "z" becomes the existing z.pdf: replaced only after Yes.
    std::ofstream(dir_.path() / "z.pdf") << "old";
    prompts_.QueueAnswer(PromptAnswer::kNo);
    Export("z");
    EXPECT_NE(prompts_.MessageTexts().back().indexOf("already exists"), -1);
    EXPECT_EQ(ReadText(dir_.path() / "z.pdf"), "old");
    prompts_.QueueAnswer(PromptAnswer::kYes);
    Export("z");
    EXPECT_EQ(ReadText(dir_.path() / "z.pdf").substr(0, 5), "%PDF-");
    ASSERT_EQ(shell_.opened().size(), 3u);

    // A folder that cannot be written (the superuser writes anywhere but /proc).
    const fs::path locked = ::geteuid() == 0 ? fs::path("/proc") : dir_.path() / "locked";
    fs::create_directories(dir_.path() / "locked");
    ::chmod((dir_.path() / "locked").c_str(), 0555);
    ::testing::internal::CaptureStdout();
    Export(locked / "r");
    const std::string console = ::testing::internal::GetCapturedStdout();
    ::chmod((dir_.path() / "locked").c_str(), 0755);
    // The link's threads may print too: the line is looked for, not expected alone.
    EXPECT_NE(console.find("Error: Couldn't open PDF file '" + (locked / "r.pdf").string()),
              std::string::npos)
        << console;
    EXPECT_FALSE(fs::exists(locked / "r.pdf"));
    QString message = prompts_.MessageTexts().back();
    EXPECT_TRUE(message.startsWith("The report was not written.")) << message.toStdString();
    EXPECT_NE(message.indexOf("Couldn't open PDF file"), -1);

    // The PDF layer's exception (here: the finished file cannot replace the old one): the two
    // console lines, the message box, no file, no viewer.
    SetBeforeRenameHookForTest([](const fs::path&) { return false; });
    ::testing::internal::CaptureStdout();
    Export("failed");
    const std::string exception = ::testing::internal::GetCapturedStdout();
    SetBeforeRenameHookForTest(nullptr);
    EXPECT_NE(exception.find("PDFlib exception occurred in image sample:\n[2300] PdfEndDocument: "
                             "Couldn't write PDF file '" +
                             (dir_.path() / "failed.pdf").string() + "'\n"),
              std::string::npos)
        << exception;
    EXPECT_FALSE(fs::exists(dir_.path() / "failed.pdf"));
    EXPECT_NE(prompts_.MessageTexts().back().indexOf("PdfEndDocument"), -1);

    // A picture that cannot be loaded.
    std::ofstream(PatientFolder() / "notes.txt") << "not a picture";
    ClickControl(window, kIdPhotoManagement);
    QTRY_VERIFY(!window.photoList()->isScanning());
    ASSERT_EQ(window.photoList()->count(), 1);
    ClickRow(*window.photoList(), 0);
    ::testing::internal::CaptureStdout();
    Export("bad");
    EXPECT_NE(::testing::internal::GetCapturedStdout().find("Error: Couldn't open image file"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(dir_.path() / "bad.pdf"));
    message = prompts_.MessageTexts().back();
    EXPECT_NE(message.indexOf("notes.txt"), -1) << message.toStdString();
    EXPECT_EQ(shell_.opened().size(), 3u);

    // The description box's text is cut to 499 bytes, never inside a character.
    EXPECT_EQ(ReportDescription(std::string(600, 'a')).size(), 499u);
    std::string accents;
    for (int i = 0; i < 300; ++i) {
        accents += "é";
    }
    EXPECT_EQ(ReportDescription(accents), accents.substr(0, 498));
}

}  // namespace
}  // namespace vyr::test
