// Output Report through the real main window, as a person uses it: pictures clicked in the photo
// list, a description typed, the button pressed and a name given in the save dialog. The written
// file is judged by poppler (pdfinfo, pdftotext, pdfimages, pdffonts, the page rendered by
// pdftoppm) and qpdf.
#include "ui/report_export.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <ctime>
#include <fstream>

#include "main_dlg_fixture.h"
#include "platform/atomic_file.h"
#include "support/file_bytes.h"
#include "support/gui/dialog_actions.h"
#include "support/pdf_tools.h"
#include "ui/current_item.h"
#include "ui/main_dlg_ids.h"
#include "ui/photo_list.h"

namespace vyr::test {
namespace {

namespace fs = std::filesystem;
using testing::ScriptedPrompts;

// The page is rendered at 72 pixels per inch: pixel row 842 - y is PDF height y.
int Row(double pdfY) {
    return 842 - static_cast<int>(pdfY);
}

bool IsNear(const QColor& colour, const QColor& expected) {
    return std::abs(colour.red() - expected.red()) <= 12 &&
           std::abs(colour.green() - expected.green()) <= 12 &&
           std::abs(colour.blue() - expected.blue()) <= 12;
}

std::string ReadText(const fs::path& file) {
    const std::vector<uint8_t> bytes = ReadFileBytes(file.string());
    return std::string(bytes.begin(), bytes.end());
}

std::string DateLine(const char* prefix, std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    char text[64];
    std::snprintf(text, sizeof text, "%s%04d%02d%02d %02d:%02d", prefix, local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min);
    return text;
}

class ReportExportTest : public MainDlgTest {
protected:
    PhotoList& ShowPhotos(MainDlg& window) {
        ClickControl(window, kIdPhotoManagement);
        PhotoList* list = window.photoList();
        EXPECT_TRUE(QTest::qWaitFor([list] { return !list->isScanning(); }));
        return *list;
    }

    void ClickItem(PhotoList& list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers,
                          list.visualItemRect(list.item(row)).center());
        QTest::qWait(0);  // the click acts once the list has seen the release
    }

    // Types text into the description box key by key, as an input method delivers characters.
    void TypeDescription(MainDlg& window, const QString& text) {
        QPlainTextEdit* box = window.descriptionBox();
        box->setFocus();
        for (const QChar c : text) {
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
        ASSERT_EQ(box->toPlainText(), text);
    }

    // Presses Output Report and answers the save dialog with name (empty: Cancel).
    void Export(MainDlg& window, const QString& name) {
        prompts_.QueueFileName(name);
        ClickControl(window, kIdOutputReport);
    }

    QString InDir(const char* name) const {
        return QString::fromStdString((dir_.path() / name).string());
    }

    size_t FilesInDir() const {
        return static_cast<size_t>(
            std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()));
    }
};

TEST_F(ReportExportTest, OnePictureReportThroughTheWindow) {
    SetPatient("zevra", "30", "10000", kGenderMale);
    WritePicture(PatientFolder() / "a.bmp", 640, 360, Qt::red);
    WritePicture(PatientFolder() / "b.bmp", 640, 360, Qt::green);
    MainDlg& window = Open();
    PhotoList& list = ShowPhotos(window);
    ASSERT_EQ(list.count(), 2);
    ClickItem(list, 1);
    ASSERT_EQ(CurrentItemIndex(), 1);
    TypeDescription(window, "Caries on tooth 36");

    const std::time_t before = std::time(nullptr);
    Export(window, InDir("NAME"));
    const std::time_t after = std::time(nullptr);

    const fs::path pdf = dir_.path() / "NAME.pdf";
    ASSERT_TRUE(fs::exists(pdf));
    EXPECT_FALSE(fs::exists(dir_.path() / "NAME"));
    ASSERT_EQ(prompts_.asked().size(), 1u);
    const ScriptedPrompts::Asked& asked = prompts_.asked()[0];
    EXPECT_EQ(asked.kind, ScriptedPrompts::Kind::kSaveFile);
    EXPECT_EQ(asked.owner, &window);
    EXPECT_EQ(asked.file.caption, "Save as");
    EXPECT_EQ(asked.file.filter, "All Files(*.pdf)");
    EXPECT_TRUE(asked.file.fileName.toStdString() == SuggestedReportName("10000", before) ||
                asked.file.fileName.toStdString() == SuggestedReportName("10000", after))
        << asked.file.fileName.toStdString();
    ASSERT_EQ(shell_.opened(), std::vector<fs::path>{pdf});

    std::map<std::string, std::string> info = PdfInfo(pdf);
    EXPECT_EQ(info["Pages"], "1");
    EXPECT_EQ(info["Page size"].rfind("595 x 842 pts", 0), 0u) << info["Page size"];
    EXPECT_EQ(info["Creator"], "Vyr");
    EXPECT_EQ(info["Author"], "Zevra");
    EXPECT_EQ(info["Title"], "Detection Report");

    std::vector<std::string> lines = PdfTextLines(pdf);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "Report:");
    EXPECT_EQ(lines[1], "Name:zevra Gender:M Age:30");
    EXPECT_EQ(lines[2], "Tel:10000");
    EXPECT_TRUE(lines[3] == DateLine("Date:", before) || lines[3] == DateLine("Date:", after))
        << lines[3];
    EXPECT_EQ(lines[4], "Description of illness:");
    EXPECT_EQ(lines[5], "Caries on tooth 36");

    // The heading starts at x 50, the lines follow 26 points apart (one empty line after the
    // heading and one before the label), the description starts at x 30.
    std::map<std::string, PdfWord> words;
    for (const PdfWord& word : PdfWords(pdf)) {
        words.emplace(word.text, word);
    }
    EXPECT_NEAR(words["Report:"].xMin, 50, 0.5);
    EXPECT_NEAR(words["Name:zevra"].yMin - words["Report:"].yMin, 52, 0.01);
    EXPECT_NEAR(words["Tel:10000"].yMin - words["Name:zevra"].yMin, 26, 0.01);
    EXPECT_NEAR(words["Description"].yMin - words["Tel:10000"].yMin, 78, 0.01);
    EXPECT_NEAR(words["Caries"].xMin, 30, 0.5);

    const std::vector<PdfImageRow> images = PdfImages(pdf);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].width, 640);
    EXPECT_EQ(images[0].height, 360);
    // A picture of one colour is smaller without loss than as JPEG.
    EXPECT_EQ(images[0].encoding, "image");
    // The clicked (green) picture stands on y 30 across the page: 598 x 336.4 points from x 2.
    const QImage page = RenderPage(pdf);
    ASSERT_EQ(page.size(), QSize(595, 842));
    for (const int x : {3, 297, 593}) {
        EXPECT_TRUE(IsNear(page.pixelColor(x, Row(31)), Qt::green)) << x;
        EXPECT_TRUE(IsNear(page.pixelColor(x, Row(365)), Qt::green)) << x;
        EXPECT_TRUE(IsNear(page.pixelColor(x, Row(29)), Qt::white)) << x;
        EXPECT_FALSE(IsNear(page.pixelColor(x, Row(368)), Qt::green)) << x;
    }
    EXPECT_TRUE(IsNear(page.pixelColor(1, Row(100)), Qt::white));
}

TEST_F(ReportExportTest, TwoPicturesSideBySideHighestIndexLeftAndNoneWithoutSelectionOrClick) {
    WritePicture(PatientFolder() / "a.bmp", 640, 360, Qt::red);
    WritePicture(PatientFolder() / "b.bmp", 640, 360, Qt::green);
    WritePicture(PatientFolder() / "c.bmp", 640, 360, Qt::blue);
    MainDlg& window = Open();
    PhotoList& list = ShowPhotos(window);
    ASSERT_EQ(list.count(), 3);
    ClickItem(list, 0);
    ClickItem(list, 1, Qt::ControlModifier);
    ClickItem(list, 2, Qt::ControlModifier);
    ASSERT_EQ(list.selectedItems().size(), 3);
    ASSERT_EQ(CurrentItemIndex(), 0);

    Export(window, InDir("two.pdf"));
    const fs::path two = dir_.path() / "two.pdf";
    ASSERT_EQ(PdfImages(two).size(), 2u);
    const QImage page = RenderPage(two);
    // Blue (index 2) in the box from x 4, green (index 1) in the box from x 300, both 290 x 163
    // standing on y 30; red (index 0) nowhere.
    EXPECT_TRUE(IsNear(page.pixelColor(6, Row(31)), Qt::blue));
    EXPECT_TRUE(IsNear(page.pixelColor(292, Row(192)), Qt::blue));
    EXPECT_TRUE(IsNear(page.pixelColor(302, Row(31)), Qt::green));
    EXPECT_TRUE(IsNear(page.pixelColor(588, Row(192)), Qt::green));
    EXPECT_TRUE(IsNear(page.pixelColor(297, Row(100)), Qt::white));
    EXPECT_TRUE(IsNear(page.pixelColor(149, Row(196)), Qt::white));
    EXPECT_TRUE(IsNear(page.pixelColor(149, Row(28)), Qt::white));

    // A click on an empty part of the list: nothing selected, no picture.
    const QPoint empty(list.viewport()->width() - 4, list.viewport()->height() - 4);
    ASSERT_EQ(list.itemAt(empty), nullptr);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, empty);
    QTest::qWait(0);
    ASSERT_EQ(CurrentItemIndex(), -1);
    Export(window, InDir("none.pdf"));
    EXPECT_TRUE(PdfImages(dir_.path() / "none.pdf").empty());
    EXPECT_EQ(PdfTextLines(dir_.path() / "none.pdf").front(), "Report:");

    // Everything selected from the keyboard, but no click since: the current-item index is still
    // -1, so no picture either.
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_A, Qt::ControlModifier);
    ASSERT_EQ(list.selectedItems().size(), 3);
    ASSERT_EQ(CurrentItemIndex(), -1);
    Export(window, InDir("unclicked.pdf"));
    EXPECT_TRUE(PdfImages(dir_.path() / "unclicked.pdf").empty());
    EXPECT_EQ(shell_.opened().size(), 3u);
}

struct LanguageCase {
    int index;
    const char* caption;
    std::vector<std::string> lines;  // the date line's prefix stands for the whole line
};

TEST_F(ReportExportTest, LanguagesAsTextWithEveryFontEmbeddedAsPdfA1b) {
    const std::vector<LanguageCase> cases = {
        {1,
         "保存文件",
         {"检测报告:", "姓名:张三 性别:男 年龄:30", "电话:10000",
          "日期:", "病情描叙:", "左下第一磨牙龋齿"}},
        {3,
         "Salvar como",
         {"relatório Dental:", "Nome:张三 Sexo:M Idade:30", "TEL:10000",
          "Data:", "Descri??o da condi??o:", "左下第一磨牙龋齿"}},
        {5,
         "保存文件",
         {"檢測報告:", "姓名:张三 性别:男 年齡:30", "電話:10000",
          "日期:", "病情描敘:", "左下第一磨牙龋齿"}},
        // Outside 0 to 5: no heading, empty lines, no dialog title; the description stays.
        {7, "", {"左下第一磨牙龋齿"}},
    };
    SetPatient("张三", "30", "10000", kGenderMale);
    for (const LanguageCase& test : cases) {
        SCOPED_TRACE(test.index);
        WriteLanguage(test.index);
        MainDlg& window = Open();
        TypeDescription(window, QString::fromUtf8(test.lines.back().c_str()));
        const std::time_t before = std::time(nullptr);
        const QString name = InDir(("lang" + std::to_string(test.index)).c_str());
        Export(window, name);
        const std::time_t after = std::time(nullptr);
        EXPECT_EQ(prompts_.asked().back().file.caption.toStdString(), test.caption);
        const fs::path pdf = (name + ".pdf").toStdString();

        std::vector<std::string> lines = PdfTextLines(pdf);
        ASSERT_EQ(lines.size(), test.lines.size());
        for (size_t i = 0; i < lines.size(); ++i) {
            if (i == 3) {
                EXPECT_TRUE(lines[i] == DateLine(test.lines[i].c_str(), before) ||
                            lines[i] == DateLine(test.lines[i].c_str(), after))
                    << lines[i];
            } else {
                EXPECT_EQ(lines[i], test.lines[i]);
            }
        }
        const std::vector<PdfFontRow> fonts = PdfFonts(pdf);
        ASSERT_FALSE(fonts.empty());
        for (const PdfFontRow& font : fonts) {
            EXPECT_TRUE(font.isEmbedded) << font.name;
        }
        const std::string xmp = PdfMetadata(pdf);
        EXPECT_NE(xmp.find("<pdfaid:part>1</pdfaid:part>"), std::string::npos) << xmp;
        EXPECT_NE(xmp.find("<pdfaid:conformance>B</pdfaid:conformance>"), std::string::npos);
        EXPECT_NE(xmp.find("<dc:creator><rdf:Seq><rdf:li>Zevra</rdf:li>"), std::string::npos);
        std::string check;
        EXPECT_EQ(QpdfCheck(pdf, &check), 0) << check;
        Close();
    }
}

TEST_F(ReportExportTest, FileNamesCancelOverwriteAndFailuresThatWriteNothing) {
    MainDlg& window = Open();
    // ".pdf" is appended unless the name ends in exactly ".pdf".
    Export(window, InDir("x.PDF"));
    EXPECT_TRUE(fs::exists(dir_.path() / "x.PDF.pdf"));
    EXPECT_FALSE(fs::exists(dir_.path() / "x.PDF"));
    Export(window, InDir("y.pdf"));
    EXPECT_TRUE(fs::exists(dir_.path() / "y.pdf"));
    EXPECT_FALSE(fs::exists(dir_.path() / "y.pdf.pdf"));
    ASSERT_EQ(shell_.opened().size(), 2u);

    // Cancel writes nothing.
    const size_t files = FilesInDir();
    Export(window, QString());
    EXPECT_EQ(FilesInDir(), files);
    EXPECT_EQ(shell_.opened().size(), 2u);

    // "z" becomes the existing z.pdf: replaced only after Yes.
    std::ofstream(dir_.path() / "z.pdf") << "old";
    prompts_.QueueAnswer(PromptAnswer::kNo);
    Export(window, InDir("z"));
    EXPECT_NE(prompts_.MessageTexts().back().indexOf("already exists"), -1);
    EXPECT_EQ(ReadText(dir_.path() / "z.pdf"), "old");
    prompts_.QueueAnswer(PromptAnswer::kYes);
    Export(window, InDir("z"));
    EXPECT_EQ(ReadText(dir_.path() / "z.pdf").substr(0, 5), "%PDF-");
    ASSERT_EQ(shell_.opened().size(), 3u);

    // A folder that cannot be written (the superuser writes anywhere but /proc).
    fs::path locked = dir_.path() / "locked";
    fs::create_directory(locked);
    ::chmod(locked.c_str(), 0555);
    if (::geteuid() == 0) {
        locked = "/proc";
    }
    ::testing::internal::CaptureStdout();
    Export(window, QString::fromStdString((locked / "r").string()));
    const std::string console = ::testing::internal::GetCapturedStdout();
    // The link's threads may print too: the line is looked for, not expected alone.
    EXPECT_NE(console.find("Error: Couldn't open PDF file '" + (locked / "r.pdf").string()),
              std::string::npos)
        << console;
    EXPECT_FALSE(fs::exists(locked / "r.pdf"));
    QString message = prompts_.MessageTexts().back();
    EXPECT_TRUE(message.startsWith("The report was not written.")) << message.toStdString();
    EXPECT_NE(message.indexOf("Couldn't open PDF file"), -1);
    ::chmod((dir_.path() / "locked").c_str(), 0755);

    // The PDF layer's exception (here: the finished file cannot replace the old one): the two
    // console lines, the message box, no file, no viewer.
    SetBeforeRenameHookForTest([](const fs::path&) { return false; });
    ::testing::internal::CaptureStdout();
    Export(window, InDir("failed"));
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
    PhotoList& list = ShowPhotos(window);
    ASSERT_EQ(list.count(), 1);
    ClickItem(list, 0);
    ::testing::internal::CaptureStdout();
    Export(window, InDir("bad"));
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
