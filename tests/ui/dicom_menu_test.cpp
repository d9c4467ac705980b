// The photo list's DICOM menu through the real main window, as a person uses it: select pictures,
// right button, choose an entry. Export writes the selected pictures of the window's patient into
// the chosen folder (the objects themselves: dicom_object_test); the settings dialog writes
// dicom.ini; sending reaches storescp on 127.0.0.1 once.
// A job's end after its last progress, handed over from its worker thread.

#include <QApplication>
#include <QMenu>
#include <QProgressDialog>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "dicom/archive_settings.h"
#include "main_dlg_fixture.h"
#include "support/dicom/dicom_oracle.h"
#include "support/dicom/storescp_archive.h"
#include "ui/dicom_job.h"
#include "ui/dicom_settings_dlg.h"

namespace vyr::test {
namespace {

namespace fs = std::filesystem;

class DicomMenuTest : public MainDlgTest {
protected:
    // Three pictures of the current patient, rows selected (a click, then Control-clicks).
    PhotoList& ShowPhotoList(std::initializer_list<int> selected) {
        for (const char* name :
             {"20250203_090507.bmp", "20250203_091200.bmp", "mark_20250203_093000.bmp"}) {
            WritePicture(PatientFolder() / name, 64, 48, Qt::red);
        }
        PhotoList& list = OpenPhotoList();
        EXPECT_EQ(list.count(), 3);
        for (int row : selected) {
            ClickRow(list, row, row == *selected.begin() ? Qt::NoModifier : Qt::ControlModifier);
        }
        return list;
    }
    // The right button on the list, then a click on the menu's entry with this text; false when
    // the entry is missing or disabled (the menu is then closed).
    static bool ChooseFromMenu(PhotoList& list, const QString& entry) {
        bool chose = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr || !menu->isVisible()) {
                return;
            }
            poll.stop();
            QAction* chosen = nullptr;
            for (QAction* action : menu->actions()) {
                chosen = action->text() == entry ? action : chosen;
            }
            chose = chosen != nullptr && chosen->isEnabled();
            if (!chose) {
                menu->close();
                return;
            }
            QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier,
                              menu->actionGeometry(chosen).center());
        });
        poll.start(5);
        // The right button goes through the window system, which turns it into a context menu
        // event as it does for a real mouse.
        QWidget* viewport = list.viewport();
        const QPoint at = list.visualItemRect(list.item(0)).center();
        QTest::mouseClick(viewport->window()->windowHandle(), Qt::RightButton, Qt::NoModifier,
                          viewport->mapTo(viewport->window(), at));
        return chose;
    }
    // The count-th message shown, once the batch has ended.
    QString WaitForMessage(size_t count) {
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return prompts_.MessageTexts().size() >= count; }, 20000));
        const std::vector<QString> texts = prompts_.MessageTexts();
        return texts.size() >= count ? texts[count - 1] : QString();
    }
};

TEST_F(DicomMenuTest, ExportWritesTheSelectedPicturesIntoTheChosenFolder) {
    PhotoList& list = ShowPhotoList({0, 2});
    const fs::path out = dir_.path() / "export";
    fs::create_directories(out);
    prompts_.QueueFileName(QString::fromStdString(out.string()));
    ChooseFromMenu(list, "Export as DICOM...");
    const QString message = WaitForMessage(1);
    EXPECT_TRUE(message.startsWith("2 of 2 pictures exported to")) << message.toStdString();
    EXPECT_EQ(prompts_.asked().front().kind, testing::ScriptedPrompts::Kind::kFolder);
    // Rows 0 and 2, named after their pictures, of the window's patient.
    std::set<fs::path> written;
    for (const auto& entry : fs::directory_iterator(out)) {
        written.insert(entry.path().filename());
        EXPECT_EQ(DicomDump(entry.path())["0010,0020"], "10000");
    }
    EXPECT_EQ(written, (std::set<fs::path>{"20250203_090507.dcm", "mark_20250203_093000.dcm"}));
    // The site key was made once, in dicom.ini beside language.ini.
    EXPECT_FALSE(ReadOrCreateSiteKey(dir_.path() / "dicom.ini").empty());
}

TEST_F(DicomMenuTest, SettingsDialogThenSendingToTheArchive) {
    StorescpArchive archive(dir_.path() / "archive");
    ASSERT_TRUE(archive.isListening());
    PhotoList& list = ShowPhotoList({0, 1});
    // A port the archive cannot have is refused and the dialog stays; then good entries.
    driver_.Then([&](QWidget* dialog) {
        auto& settings = *static_cast<DicomSettingsDlg*>(dialog);
        TypeInto(settings, kIdDicomHost, "127.0.0.1");
        TypeInto(settings, kIdDicomPort, "70000");
        TypeInto(settings, kIdDicomCalledAe, "ARCHIVE");
        TypeInto(settings, kIdDicomCallingAe, "VYR");
        ClickControl(settings, kIdOk);
        EXPECT_TRUE(settings.isVisible());
        TypeInto(settings, kIdDicomPort, QString::number(archive.port()));
        ClickControl(settings, kIdOk);
    });
    driver_.Run([&] { ChooseFromMenu(list, "DICOM settings..."); });
    EXPECT_EQ(driver_.stepsLeft(), 0);
    ASSERT_EQ(prompts_.MessageTexts().size(), 1u);  // the refused port
    // Sending reads the settings back from dicom.ini.
    ChooseFromMenu(list, "Send to archive");
    EXPECT_EQ(WaitForMessage(2), "2 of 2 pictures sent to the archive and confirmed by it.");
    EXPECT_EQ(archive.StoredFiles().size(), 2u);

    // While a batch runs, a second one is refused: both batch entries are disabled.
    std::atomic<bool> release{false};
    new DicomJob(
        window_.get(), "DICOM", 1, [](size_t, size_t) { return QString(); }, "Cancel", "Stopping",
        [&](const BatchProgress&, BatchCancel, BatchReport*) {
            while (!release.load()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        },
        [](const BatchReport&) {});
    EXPECT_FALSE(ChooseFromMenu(list, "Send to archive"));
    EXPECT_FALSE(ChooseFromMenu(list, "Export as DICOM..."));
    release.store(true);
    QTRY_VERIFY(!DicomJob::isAnyRunning());
    EXPECT_TRUE(ChooseFromMenu(list, "Send to archive"));
    EXPECT_EQ(WaitForMessage(3), "2 of 2 pictures sent to the archive and confirmed by it.");
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
