// The main window without a camera (the link is refused on 127.0.0.2): the live area stays black
// and Capture and Record do nothing; keys and full screen; the photo list with its start-up scan,
// rebuilds and item clicks; snapshots and the camera's events as the link's workers deliver them
// (from another thread); the settings dialog and the player. (Exit and the close box: the window
// chain's test.)
#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <fstream>
#include <thread>

#include "app/dialogs/vyr_config.h"
#include "capture/notification_records.h"
#include "link/camera_link.h"
#include "linkstate/link_shared.h"
#include "main_dlg_fixture.h"
#include "platform/dialogs/combo_selection.h"
#include "support/gui/dialog_actions.h"
#include "ui/current_item.h"
#include "ui/live_area.h"
#include "ui/main_dlg_ids.h"

namespace vyr::test {
namespace {

namespace fs = std::filesystem;
using Areas = std::set<int>;

// Delivers a record the way the link's workers do: from a thread of their own.
void FromWorker(const std::function<void()>& deliver) {
    std::thread(deliver).join();
}

TEST_F(MainDlgTest, WithoutACameraTheLiveAreaIsBlackAndCaptureAndRecordDoNothing) {
    MainDlg& window = Open();
    EXPECT_EQ(window.view(), MainDlg::View::kLive);
    EXPECT_EQ(VisibleAreas(window), (Areas{kIdLiveArea, kIdPreview}));
    const QImage live = window.Control(kIdLiveArea)->grab().toImage();
    for (const QPoint at : {QPoint(1, 1), live.rect().center(), QPoint(live.width() - 2, 5)}) {
        EXPECT_EQ(live.pixelColor(at), QColor(Qt::black));
    }
    ClickControl(window, kIdCapture);
    ClickControl(window, kIdRecord);
    EXPECT_FALSE(window.isRecording());
    EXPECT_EQ(Globals().recordingRequested.load(), 0);
    EXPECT_EQ(window.liveArea()->framesReceived(), 0u);
    EXPECT_TRUE(FilesIn(PatientFolder(), ".bmp").empty());
    // The patient's folders exist once the Live view has been shown; Player opens the videos'.
    EXPECT_TRUE(fs::is_directory(PatientFolder()));
    EXPECT_EQ(app_->GetPhotoFolder(), PatientFolder().string());
    ClickControl(window, kIdPlayer);
    EXPECT_TRUE(fs::is_directory(dir_.path() / "video"));
    EXPECT_EQ(shell_.opened(), std::vector<fs::path>{dir_.path() / "video" / ""});
}

TEST_F(MainDlgTest, KeysOnlyLeaveFullScreenAndDoubleClicksToggleIt) {
    MainDlg& window = Open();
    const QRect liveRect = window.Control(kIdLiveArea)->geometry();
    const QSize windowSize = window.size();
    // Neither Esc nor Return closes the window; Return never reaches the description box.
    QPlainTextEdit* box = window.descriptionBox();
    box->setFocus();
    QTest::keyClicks(box, "ab");
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(box, Qt::Key_Enter);
    QTest::keyClicks(box, "c");
    EXPECT_EQ(box->toPlainText(), "abc");
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible());
    QTest::mouseDClick(window.liveArea(), Qt::LeftButton);
    ASSERT_TRUE(window.isLiveFullScreen());
    EXPECT_EQ(window.Control(kIdLiveArea)->geometry(),
              QRect(QPoint(0, 0), window.screen()->geometry().size()));
    EXPECT_EQ(VisibleAreas(window), Areas{kIdLiveArea});
    QTest::keyClick(window.liveArea(), Qt::Key_Escape);
    EXPECT_FALSE(window.isLiveFullScreen());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.Control(kIdLiveArea)->geometry(), liveRect);
    EXPECT_EQ(VisibleAreas(window), (Areas{kIdLiveArea, kIdPreview}));
    QTRY_COMPARE(window.size(), windowSize);
    QTest::mouseDClick(window.liveArea(), Qt::LeftButton);
    QTest::mouseDClick(window.liveArea(), Qt::LeftButton);
    EXPECT_FALSE(window.isLiveFullScreen());
    EXPECT_EQ(window.Control(kIdLiveArea)->geometry(), liveRect);
}

TEST_F(MainDlgTest, ScansListEveryFileOnceWithPlaceholdersForOthers) {
    QStringList names;
    for (int i = 0; i < 40; ++i) {
        names << QString("2026_%1.bmp").arg(i, 2, 10, QChar('0'));
        WritePicture(PatientFolder() / names.back().toStdString(), 640, 480,
                     QColor(255 - i * 5, 0, 0));
    }
    std::ofstream(PatientFolder() / "notes.txt") << "not a picture";
    fs::create_directories(PatientFolder() / "folder");
    // A rebuild while the start-up scan still runs.
    PhotoList& list = OpenPhotoList();
    EXPECT_EQ(ItemTexts(list), QStringList(names) << "notes.txt");
    EXPECT_EQ(IconOf(list, 0).pixelColor(142, 20), QColor(255, 0, 0));
    EXPECT_EQ(IconOf(list, 40).pixelColor(142, 20), QColor(128, 128, 128));
    // A new window's start-up scan sees a new file and drops a deleted one; the Live view stays.
    fs::remove(PatientFolder() / "2026_00.bmp");
    WritePicture(PatientFolder() / "2026_99.bmp", 8, 8, Qt::blue);
    MainDlg& window = Open();
    QTRY_VERIFY(!window.photoList()->isScanning());
    names.removeFirst();
    EXPECT_EQ(ItemTexts(*window.photoList()), names << "2026_99.bmp"
                                                    << "notes.txt");
    EXPECT_EQ(window.view(), MainDlg::View::kLive);
}

TEST_F(MainDlgTest, PhotoListViewAndItemClicksIntoThePreview) {
    WritePicture(PatientFolder() / "a.bmp", 300, 200, Qt::red);
    WritePicture(PatientFolder() / "b.bmp", 300, 200, Qt::green);
    MainDlg& window = Open();
    // A click on the preview opens the photo list, as Photo Management does.
    QTest::mouseClick(window.Control(kIdPreview), Qt::LeftButton);
    EXPECT_EQ(window.view(), MainDlg::View::kPhotoList);
    EXPECT_EQ(VisibleAreas(window), (Areas{kIdPhotoList, kIdPreview}));
    PhotoList& list = *window.photoList();
    QTRY_VERIFY(!list.isScanning());
    ASSERT_EQ(list.count(), 2);
    ClickRow(list, 1);
    QTRY_COMPARE(CurrentItemIndex(), 1);
    EXPECT_EQ(PictureCentre(window.Control(kIdPreview)), QColor(Qt::green));
    // An empty part of the list: no selection, no picture.
    const QPoint empty(list.viewport()->width() - 4, list.viewport()->height() - 4);
    ASSERT_EQ(list.itemAt(empty), nullptr);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, empty);
    QTRY_COMPARE(CurrentItemIndex(), -1);
    EXPECT_FALSE(PictureCentre(window.Control(kIdPreview)).isValid());
    ClickControl(window, kIdVideo);
    EXPECT_EQ(window.view(), MainDlg::View::kLive);
    EXPECT_EQ(VisibleAreas(window), (Areas{kIdLiveArea, kIdPreview}));
}

TEST_F(MainDlgTest, SnapshotsAndReceivedPicturesFromTheLinksWorkers) {
    const fs::path picture = WritePicture(PatientFolder() / "IMG_1.bmp", 100, 60, Qt::yellow);
    const fs::path snapshot = WritePicture(PatientFolder() / "20260101.bmp", 64, 48, Qt::blue);
    MainDlg& window = Open();
    QWidget* preview = window.Control(kIdPreview);
    QWidget* still = window.Control(kIdStillArea);
    // A snapshot loads the preview, scaled to exactly its size; the camera's capture command is
    // not a path and keeps it; a path that does not load empties it.
    FromWorker([&] { window.OnSnapshot(MakeSnapshotRecord(snapshot.string())); });
    QTRY_COMPARE(PictureCentre(preview), QColor(Qt::blue));
    EXPECT_EQ(qobject_cast<QLabel*>(preview)->pixmap().size(), preview->size());
    FromWorker([&] { window.OnSnapshot(MakeCaptureCommandRecord(0, 0)); });
    QCoreApplication::processEvents();
    EXPECT_EQ(PictureCentre(preview), QColor(Qt::blue));
    FromWorker(
        [&] { window.OnSnapshot(MakeSnapshotRecord((PatientFolder() / "x.bmp").string())); });
    QTRY_VERIFY(!PictureCentre(preview).isValid());
    // A received picture shows in the still area until a click or the button's release.
    for (uint16_t dismiss : {uint16_t{0xFFFF}, uint16_t{0}, uint16_t{5}}) {  // 0xFFFF: a click
        SCOPED_TRACE(dismiss);
        FromWorker([&] { window.OnDeviceEvent(MakeDeviceEvent(1, picture.string())); });
        QTRY_VERIFY(still->isVisible());
        EXPECT_EQ(PictureCentre(still), QColor(Qt::yellow));
        EXPECT_EQ(PictureCentre(preview), QColor(Qt::yellow));
        EXPECT_EQ(qobject_cast<QLabel*>(still)->pixmap().size(), still->size());
        if (dismiss == 0xFFFF) {
            QTest::mouseClick(still, Qt::LeftButton);
        } else {
            FromWorker([&] { window.OnDeviceEvent(MakeDeviceEvent(dismiss)); });
        }
        QTRY_COMPARE(VisibleAreas(window), (Areas{kIdLiveArea, kIdPreview}));
    }
    // Over the photo list a received picture reaches the preview only.
    ClickControl(window, kIdPhotoManagement);
    FromWorker([&] { window.OnDeviceEvent(MakeDeviceEvent(7)); });
    FromWorker([&] { window.OnDeviceEvent(MakeDeviceEvent(1, snapshot.string())); });
    QTRY_COMPARE(PictureCentre(preview), QColor(Qt::blue));
    QCoreApplication::processEvents();
    EXPECT_EQ(VisibleAreas(window), (Areas{kIdPhotoList, kIdPreview}));
}

TEST_F(MainDlgTest, DeleteAllEmptiesThePatientsFolderOnly) {
    const fs::path otherPatient = WritePicture(dir_.path() / "jpg/20000/c.bmp", 8, 8, Qt::red);
    const fs::path loose = WritePicture(dir_.path() / "jpg/loose.bmp", 8, 8, Qt::red);
    // A patient without a folder of its own deletes nothing; the event is handled in order with
    // the next one, so once the still area shows, 6 is done.
    SetPatient("nobody", "1", "", kGenderMale);
    MainDlg& first = Open();
    FromWorker([&] { first.OnDeviceEvent(MakeDeviceEvent(6)); });
    FromWorker([&] { first.OnDeviceEvent(MakeDeviceEvent(1, otherPatient.string())); });
    QTRY_VERIFY(first.Control(kIdStillArea)->isVisible());
    EXPECT_TRUE(fs::exists(otherPatient));
    EXPECT_TRUE(fs::exists(loose));

    SetPatient("zevra", "30", "10000", kGenderFemale);
    WritePicture(PatientFolder() / "a.bmp", 8, 8, Qt::red);
    WritePicture(PatientFolder() / "sub" / "b.bmp", 8, 8, Qt::red);
    PhotoList& list = OpenPhotoList();
    ASSERT_EQ(list.count(), 1);
    FromWorker([&] { window_->OnDeviceEvent(MakeDeviceEvent(6)); });
    QTRY_VERIFY(!fs::exists(PatientFolder() / "a.bmp"));
    EXPECT_FALSE(fs::exists(PatientFolder() / "sub" / "b.bmp"));
    EXPECT_TRUE(fs::is_directory(PatientFolder() / "sub"));
    EXPECT_TRUE(fs::exists(otherPatient));
    EXPECT_TRUE(fs::exists(loose));
    EXPECT_EQ(home_.TrashedFiles().size(), 2u);
    // The list is not rebuilt by the event.
    EXPECT_EQ(list.count(), 1);
    EXPECT_EQ(window_->view(), MainDlg::View::kPhotoList);
}

TEST_F(MainDlgTest, SettingsOkShowsThePhotoListInTheChosenLanguage) {
    MainDlg& window = Open();
    driver_.Then([](QWidget* modal) {
        auto* config = dynamic_cast<CVyrConfig*>(modal);
        ASSERT_NE(config, nullptr);
        SelectComboItem(config->Combo(kIdConfigLanguage), 1);
        ClickControl(*config, kIdOk);
    });
    driver_.Run([&] { ClickControl(window, kIdSystemManagement); });
    EXPECT_EQ(driver_.stepsLeft(), 0);
    EXPECT_EQ(driver_.unexpected(), 0);
    QTRY_COMPARE(window.view(), MainDlg::View::kPhotoList);
    EXPECT_EQ(VisibleAreas(window), (Areas{kIdPhotoList, kIdPreview}));
    EXPECT_EQ(window.languageIndex(), 1);
    EXPECT_EQ(window.ControlText(kIdPhotoManagement), QString::fromUtf8("相片管理"));
    EXPECT_EQ(window.link().IsConnected(), 0);
}

}  // namespace
}  // namespace vyr::test
