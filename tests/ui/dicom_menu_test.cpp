// The photo list's DICOM menu through the real main window, as a person uses it: select pictures,
// right button, choose an entry. Export writes objects that dciodvfy, dcmdump and dcm2pnm accept;
// the settings dialog writes dicom.ini; sending reaches storescp on 127.0.0.1 and every failure
// ends in a message that counts nothing unconfirmed as sent.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <sstream>

#include "dicom/archive_settings.h"
#include "main_dlg_fixture.h"
#include "platform/net/socket_guard.h"
#include "support/dicom/dicom_oracle.h"
#include "support/dicom/storescp_archive.h"
#include "support/gui/dialog_actions.h"
#include "ui/dicom_job.h"
#include "ui/dicom_settings_dlg.h"
#include "ui/main_dlg_ids.h"
#include "ui/photo_list.h"

namespace vyr::test {
namespace {

namespace fs = std::filesystem;

class DicomMenuTest : public MainDlgTest {
protected:
    // Three pictures of the current patient; the photo list shown and scanned.
    PhotoList* ShowPhotoList() {
        const std::pair<const char*, QSize> pictures[] = {{"20250203_090507.bmp", {301, 199}},
                                                          {"20250203_091200.bmp", {64, 64}},
                                                          {"mark_20250203_093000.bmp", {160, 90}}};
        for (const auto& [name, size] : pictures) {
            fs::create_directories(PatientFolder());
            EXPECT_TRUE(
                PatternPicture(size.width(), size.height())
                    .save(QString::fromStdString((PatientFolder() / name).string()), "BMP"));
        }
        MainDlg& window = Open();
        ClickControl(window, kIdPhotoManagement);
        PhotoList* list = window.photoList();
        EXPECT_TRUE(QTest::qWaitFor([list] { return !list->isScanning(); }));
        EXPECT_EQ(list->count(), 3);
        return list;
    }

    // A click on the first row and Control-clicks on the others.
    static void SelectRows(PhotoList* list, std::initializer_list<int> rows) {
        Qt::KeyboardModifiers modifiers = Qt::NoModifier;
        for (int row : rows) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                              list->visualItemRect(list->item(row)).center());
            modifiers = Qt::ControlModifier;
        }
    }

    // The right button on the list, then a click on the menu's entry with this text. Returns the
    // texts of the menu's entries.
    QStringList ChooseFromMenu(PhotoList* list, const QString& entry) {
        QStringList texts;
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr || !menu->isVisible()) {
                return;
            }
            poll.stop();
            for (QAction* action : menu->actions()) {
                if (!action->isSeparator()) {
                    texts.append(action->text());
                }
            }
            for (QAction* action : menu->actions()) {
                if (action->text() == entry) {
                    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier,
                                      menu->actionGeometry(action).center());
                    return;
                }
            }
            menu->close();
        });
        poll.start();
        // The right button goes through the window system, which turns it into a context menu
        // event as it does for a real mouse.
        QWidget* viewport = list->viewport();
        const QPoint at = list->visualItemRect(list->item(0)).center();
        QTest::mouseClick(viewport->window()->windowHandle(), Qt::RightButton, Qt::NoModifier,
                          viewport->mapTo(viewport->window(), at));
        return texts;
    }

    // The last message shown, once the batch has ended.
    QString WaitForMessage(size_t count) {
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return prompts_.MessageTexts().size() >= count; }, 20000));
        const std::vector<QString> texts = prompts_.MessageTexts();
        return texts.size() >= count ? texts[count - 1] : QString();
    }

    void WriteArchive(const ArchiveSettings& settings) {
        ASSERT_EQ(WriteArchiveSettings(dir_.path() / "dicom.ini", settings), 0);
    }
};

TEST_F(DicomMenuTest, ExportWritesTheSelectedPicturesIntoTheChosenFolder) {
    PhotoList* list = ShowPhotoList();
    SelectRows(list, {0, 2});
    const fs::path out = dir_.path() / "export";
    fs::create_directories(out);
    prompts_.QueueFileName(QString::fromStdString(out.string()));
    ChooseFromMenu(list, "Export as DICOM...");

    const QString message = WaitForMessage(1);
    EXPECT_TRUE(message.startsWith("2 of 2 pictures exported to")) << message.toStdString();
    ASSERT_FALSE(prompts_.asked().empty());
    EXPECT_EQ(prompts_.asked().front().kind, testing::ScriptedPrompts::Kind::kFolder);

    const struct {
        const char* file;
        QSize size;
        const char* imageType;
    } expected[] = {{"20250203_090507.dcm", {301, 199}, "ORIGINAL\\PRIMARY"},
                    {"mark_20250203_093000.dcm", {160, 90}, "DERIVED\\SECONDARY"}};
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(out)) {
        files += entry.is_regular_file() ? 1 : 0;
    }
    EXPECT_EQ(files, 2u);
    for (const auto& e : expected) {
        const fs::path dcm = out / e.file;
        SCOPED_TRACE(dcm.string());
        const Validation validation = ValidateWithDciodvfy(dcm);
        EXPECT_EQ(validation.errors, 0) << validation.output;
        const DicomDump dump(dcm);
        EXPECT_EQ(dump["0008,0016"], "1.2.840.10008.5.1.4.1.1.77.1.4");
        EXPECT_EQ(dump["0008,0060"], "XC");
        EXPECT_EQ(dump["0010,0010"], "zevra");
        EXPECT_EQ(dump["0010,0020"], "10000");
        EXPECT_EQ(dump["0010,0040"], "F");
        EXPECT_EQ(dump["0010,1010"], "030Y");
        EXPECT_EQ(dump["0028,0010"], std::to_string(e.size.height()));
        EXPECT_EQ(dump["0028,0011"], std::to_string(e.size.width()));
        EXPECT_EQ(dump["0008,0008"], e.imageType);
        EXPECT_LT(
            MeanDifference(DecodeWithDcm2pnm(dcm), PatternPicture(e.size.width(), e.size.height())),
            1.0);
    }
    // The site key was made once, in dicom.ini beside language.ini.
    EXPECT_FALSE(ReadOrCreateSiteKey(dir_.path() / "dicom.ini").empty());
}

TEST_F(DicomMenuTest, SettingsDialogThenSendingToTheArchiveAndToNobody) {
    auto archive = std::make_unique<StorescpArchive>(dir_.path() / "archive");
    ASSERT_TRUE(archive->isListening());
    PhotoList* list = ShowPhotoList();

    // A port the archive cannot have is refused and the dialog stays; then good entries.
    driver_.Then([&](QWidget* dialog) {
        auto& settings = *static_cast<DicomSettingsDlg*>(dialog);
        TypeInto(settings, kIdDicomHost, "127.0.0.1");
        TypeInto(settings, kIdDicomPort, "70000");
        TypeInto(settings, kIdDicomCalledAe, "ARCHIVE");
        TypeInto(settings, kIdDicomCallingAe, "VYR");
        ClickControl(settings, kIdOk);
        EXPECT_TRUE(settings.isVisible());
        TypeInto(settings, kIdDicomPort, QString::number(archive->port()));
        ClickControl(settings, kIdOk);
    });
    driver_.Run([&] { ChooseFromMenu(list, "DICOM settings..."); });
    EXPECT_EQ(driver_.stepsLeft(), 0);
    ASSERT_EQ(prompts_.MessageTexts().size(), 1u);  // the refused port
    std::ifstream ini(dir_.path() / "dicom.ini");
    std::stringstream text;
    text << ini.rdbuf();
    for (const std::string& line : std::vector<std::string>{
             "[archive]", "host=127.0.0.1", "port=" + std::to_string(archive->port()),
             "called_ae=ARCHIVE", "calling_ae=VYR"}) {
        EXPECT_NE(text.str().find(line + "\n"), std::string::npos) << line << "\n" << text.str();
    }

    SelectRows(list, {0, 1});
    ChooseFromMenu(list, "Send to archive");
    QString message = WaitForMessage(2);
    EXPECT_EQ(message, "2 of 2 pictures sent to the archive and confirmed by it.");
    EXPECT_EQ(archive->StoredFiles().size(), 2u);

    // The archive is gone: the message says so and nothing counts as sent.
    archive.reset();
    ChooseFromMenu(list, "Send to archive");
    message = WaitForMessage(3);
    EXPECT_TRUE(message.startsWith("0 of 2 pictures sent")) << message.toStdString();
    EXPECT_TRUE(message.contains("refused the connection")) << message.toStdString();
}

TEST_F(DicomMenuTest, SendingNeedsAnArchiveOnLoopbackAndSpeaksTheWindowsLanguage) {
    WriteLanguage(1);
    PhotoList* list = ShowPhotoList();
    SelectRows(list, {1});
    const QStringList entries = ChooseFromMenu(list, QString::fromUtf8("发送到影像归档"));
    EXPECT_EQ(entries, QStringList({QString::fromUtf8("导出为 DICOM..."),
                                    QString::fromUtf8("发送到影像归档"),
                                    QString::fromUtf8("DICOM 设置...")}));
    EXPECT_EQ(
        WaitForMessage(1),
        QString::fromUtf8("尚未设置影像归档。请在“DICOM 设置...”中输入主机、端口和 AE 标题。"));

    if (!IsLoopbackOnlyBuild()) {
        GTEST_SKIP() << "this build may reach archives outside loopback";
    }
    WriteArchive({"192.0.2.7", 104, "ARCHIVE", "VYR"});
    ChooseFromMenu(list, QString::fromUtf8("发送到影像归档"));
    const QString message = WaitForMessage(2);
    EXPECT_TRUE(message.startsWith(QString::fromUtf8("0/1 张图片已发送"))) << message.toStdString();
    EXPECT_TRUE(message.contains("192.0.2.7")) << message.toStdString();
}

// A job whose worker reports its last picture and ends at once: the last progress and the end are
// handled back to back, and the end must neither run twice nor pull the progress dialog away while
// it is still being updated.
TEST(DicomJobTest, AJobEndingRightAfterItsLastProgressEndsOnceAndCleanly) {
    QWidget owner;
    owner.show();
    int doneCount = 0;
    size_t reported = 0;
    new DicomJob(
        &owner, "DICOM", 3,
        [](size_t next, size_t total) { return QString("%1/%2").arg(next).arg(total); }, "Cancel",
        "Stopping",
        [](const BatchProgress& progress, BatchCancel, BatchReport* report) {
            for (size_t i = 1; i <= 3; ++i) {
                report->pictures.push_back({});
                progress(i, 3);
            }
        },
        [&](const BatchReport& report) {
            ++doneCount;
            reported = report.pictures.size();
        });
    EXPECT_TRUE(DicomJob::isAnyRunning());
    QTRY_COMPARE(doneCount, 1);
    EXPECT_EQ(reported, 3u);
    EXPECT_FALSE(DicomJob::isAnyRunning());
    QTRY_VERIFY(owner.findChildren<QProgressDialog*>().isEmpty());
    QTest::qWait(50);
    EXPECT_EQ(doneCount, 1);
}

}  // namespace
}  // namespace vyr::test
