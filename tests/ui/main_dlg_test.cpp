// The main window without a camera (the link is refused on 127.0.0.2): its texts in every language
// against the table the program's users know (literal question marks included; indices outside 0
// to 5 keep the template's captions), the live area black and Capture and Record doing nothing;
// keys that never close it and full screen; the photo list with its start-up scan and rebuilds;
// snapshots and the camera's events as the link's workers deliver them (from another thread); the
// player. (Exit and the close box: the window chain's test.)
#include <QLabel>
#include <QPlainTextEdit>
#include <thread>

#include "capture/notification_records.h"
#include "main_dlg_fixture.h"
#include "ui/main_dlg_template.h"
#include "ui/main_texts.h"

namespace vyr::test {
namespace {

namespace fs = std::filesystem;
using Areas = std::set<int>;

// Delivers a record the way the link's workers do: from a thread of their own.
void FromWorker(const std::function<void()>& deliver) {
    std::thread(deliver).join();
}

// The controls, then the gender label of a male patient (the simplified format in every language)
// and Record's text while recording.
constexpr int kTextIds[] = {
    kIdMultiSelection,   kIdExit,       kIdRecord,          kIdPlayer,
    kIdSystemManagement, kIdVideo,      kIdPhotoManagement, kIdCompareBack,
    kIdPatientTel,       kIdPatientAge, kIdPatientName,     kIdPatientGender,
    kIdCapture,          kIdDelete,     kIdCompare,         kIdDescriptionLabel,
    kIdOutputReport};
// Texts joined by '|' for indices 0 to 5, then the template's captions, for the female patient
// zevra, 30, 10000.
const char* const kTexts[] = {
    "Open multi selection|Exit|Record|Player|System Management|Video|Photo Management|"
    "Exit comparison|TEL: 10000|Age: 30|Name: zevra|Gender: Female|Capture|Delete|Compare|"
    "Description of illness:|Output Report|Gender: Male|Recording...",
    "打开多选|退出|录像|播放|系统管理|视频|相片管理|退出对比|"
    "电话: 10000|年龄: 30|姓名: zevra|性别: 女性|拍照|删除|对比|病情描叙:|"
    "导出报告|性别: 男性|正在录像...",
    "Abrir selección múltiple|Salir|Record|Player|Gestión del sistema|Vídeo|"
    "Gestión de fotografías|Salir de comparación|TEL: 10000|Edad: 30|Nombre: zevra|"
    "Sexo: Femenino|Capturar|Eliminar|Comparar|Descripción de la condición:|Exportar informe|"
    "Sexo: Masculino|Recording...",
    "Abrir sele??o múltipla|Sair|Record|Player|Administra??o de sistema|Vídeo|"
    "Gerenciamento de fotos|Sair de compara??o|TEL: 10000|Idade: 30|Nome: zevra|"
    "Sexo: Feminino|Capturar|Retirar|Comparar|Descri??o da condi??o:|Relatório de exporta??o|"
    "Sexo: Masculino|Recording...",
    "Apri selezione multipla|Esci|Record|Player|Gestione del sistema|Video|"
    "Gestione delle foto|Esci dal confronto|TEL: 10000|Età: 30|Nome: zevra|Genere: Femmina|"
    "Catturare|Rimuovere|Confrontare|Descrizione della condizione:|Rapporto di esportazione|"
    "Genere: Maschio|Recording...",
    "打開多選|退出|录像|播放|系統管理|視頻|相片管理|退出對比|"
    "電話: 10000|年齡: 30|姓名: zevra|性別: 女性|拍照|刪除|對比|病情描敘:|"
    "導出報告|性别: 男性|正在录像...",
    "Start multi selection|Exit|Record|Player|System Management|Video|Phote Management|"
    "Compare back|TEL:|Age:|Name:|Gender:|Capture|Delete|Compare|Description of illness:|"
    "Output Image|Gender:|Recording..."};

TEST_F(MainDlgTest, EveryLanguageShowsItsTexts) {
    const PatientRecord male = MakePatientRecord("zevra", "30", "10000", kGenderMale);
    for (int index : {0, 1, 2, 3, 4, 5, 6, 7, -1}) {
        SCOPED_TRACE(index);
        const size_t column = index >= 0 && index < 6 ? static_cast<size_t>(index) : 6;
        WriteLanguage(index);
        MainDlg& window = Open();
        EXPECT_EQ(window.languageIndex(), index);
        const QStringList texts = QString::fromUtf8(kTexts[column]).split('|');
        ASSERT_EQ(static_cast<size_t>(texts.size()), std::size(kTextIds) + 2);
        for (size_t i = 0; i < std::size(kTextIds); ++i) {
            EXPECT_EQ(window.ControlText(kTextIds[i]), texts[i]) << "control " << kTextIds[i];
        }
        EXPECT_EQ(window.windowTitle(), QString::fromUtf8("Vyr（V8.5 2024/09/14)"));
        EXPECT_EQ(RecordButtonText(index, false), window.ControlText(kIdRecord));
        EXPECT_EQ(RecordButtonText(index, true), texts.back());
        TemplateDialog maleWindow(MainDlgTemplate());
        ApplyMainTexts(maleWindow, index, male);
        EXPECT_EQ(maleWindow.ControlText(kIdPatientGender), texts[std::size(kTextIds)]);
    }
}

TEST(MainTextsTest, PatientFieldsAreShownAsTyped) {
    // A field with format characters of its own is not formatted again.
    const PatientRecord patient = MakePatientRecord("50%s %1 名字", "3%d", "1-2", kGenderFemale);
    TemplateDialog window(MainDlgTemplate());
    ApplyMainTexts(window, 0, patient);
    EXPECT_EQ(window.ControlText(kIdPatientName), QString::fromUtf8("Name: 50%s %1 名字"));
    EXPECT_EQ(window.ControlText(kIdPatientAge), "Age: 3%d");
    EXPECT_EQ(window.ControlText(kIdPatientTel), "TEL: 1-2");
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

TEST_F(MainDlgTest, KeysOnlyLeaveFullScreenWhichADoubleClickEnters) {
    MainDlg& window = Open();
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
    QTest::keyClick(window.liveArea(), Qt::Key_Escape);
    EXPECT_FALSE(window.isLiveFullScreen());
    EXPECT_TRUE(window.isVisible());
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

}  // namespace
}  // namespace vyr::test
