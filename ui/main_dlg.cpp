// MainDlg: construction from template 130, the start-up in its fixed order, the view switches and
// the buttons. The notifications, the keyboard and mouse filter and full screen are in
// main_dlg_events.cpp.
#include "ui/main_dlg.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QThread>
#include <QVBoxLayout>

#include "app/core/patient_folders.h"
#include "app/core/vyr_app.h"
#include "app/dialogs/vyr_config.h"
#include "link/adapter_selection.h"
#include "link/camera_link.h"
#include "platform/dialogs/shell.h"
#include "settings/settings_file.h"
#include "ui/current_item.h"
#include "ui/dicom_menu.h"
#include "ui/live_area.h"
#include "ui/main_dlg_ids.h"
#include "ui/main_dlg_template.h"
#include "ui/main_texts.h"
#include "ui/open_in_analyzer.h"
#include "ui/photo_list.h"
#include "ui/picture_loading.h"
#include "ui/report_export.h"

namespace vyr {
namespace {

void Paint(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

}  // namespace

MainDlg::MainDlg(CVyrApp& app, const LinkPorts& ports, QWidget* parent)
    : TemplateDialog(MainDlgTemplate(), parent), app_(app), link_(std::make_unique<CCameraLink>()) {
    link_->SetDeviceIp(app_.cameraAddress());
    link_->SetPorts(ports);
    link_->SetExeDir(app_.exeDir());
    MakeOwnControls();
    ConnectCommands();
    InstallDicomMenu(*this, app_);
    // PreTranslateMessage: every key and mouse event of the program passes the filter first; it
    // acts only on events for this window's widgets.
    qApp->installEventFilter(this);
    OnInitDialog();
}

MainDlg::~MainDlg() {
    qApp->removeEventFilter(this);
    // A recording must not carry over into the next window's link.
    link_->StopRecording();
    StopLink();
    if (app_.GetMainWindow() == this) {
        app_.SetMainWindow(nullptr);
    }
}

void MainDlg::MakeOwnControls() {
    const TemplateFont& font = dialogTemplate().font;
    // The dialog's background colour, RGB(0, 192, 192); labels are transparent and show it.
    Paint(this, QColor(0, 192, 192));
    for (int id : {kIdPreview, kIdLiveArea, kIdStillArea}) {
        Paint(Label(id), Qt::black);
    }
    for (int id : kCompareAreaIds) {
        Label(id)->setFrameShape(QFrame::Box);
    }
    for (int id : {kIdPreview, kIdStillArea, kIdCompare1, kIdCompare2, kIdCompare3, kIdCompare4}) {
        MakeClickable(id);
    }

    // The live area fills label 1028, so the label keeps the id, the place and the z-order.
    liveArea_ = new LiveArea(Label(kIdLiveArea));
    auto* liveLayout = new QVBoxLayout(Label(kIdLiveArea));
    liveLayout->setContentsMargins(0, 0, 0, 0);
    liveLayout->addWidget(liveArea_);
    MakeLinkStateLabel();

    description_ = new QPlainTextEdit(this);
    description_->setObjectName(QString::number(kIdDescription));
    description_->setGeometry(DluToPixels(kDescriptionRect, font));
    description_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    photoList_ = new PhotoList(this);
    photoList_->setObjectName(QString::number(kIdPhotoList));
    photoList_->setGeometry(DluToPixels(kPhotoListRect, font));
    photoList_->hide();
    // The analyzer's modal run starts from the event loop, not inside the list's mouse handling.
    QObject::connect(photoList_, &QListWidget::itemDoubleClicked, this, [this] {
        QMetaObject::invokeMethod(
            this, [this] { OpenInAnalyzer(app_, *photoList_); }, Qt::QueuedConnection);
    });
}

void MainDlg::MakeClickable(int id) {
    Label(id)->setProperty("vyrClickId", id);
}

void MainDlg::ConnectCommands() {
    OnCommand(kIdVideo, [this] { Video(); });
    OnCommand(kIdPhotoManagement, [this] { ShowPhotoList(); });
    OnCommand(kIdPreview, [this] { ShowPhotoList(); });
    OnCommand(kIdStillArea, [this] { ShowLiveHideStill(); });
    OnCommand(kIdCapture, [this] { Capture(); });
    OnCommand(kIdRecord, [this] { Record(); });
    OnCommand(kIdPlayer, [this] { Player(); });
    OnCommand(kIdSystemManagement, [this] { Settings(); });
    OnCommand(kIdExit, [this] { Exit(); });
    OnCommand(kIdMultiSelection, [this] { ToggleMultiSelection(); });
    OnCommand(kIdCompare, [this] { Compare(); });
    OnCommand(kIdCompareBack, [this] { CompareBack(); });
    OnCommand(kIdDelete, [this] { DeletePictures(); });
    OnCommand(kIdOutputReport, [this] { OutputReport(*this, app_); });
    // Return never reaches the hidden OK button (the filter consumes it); nothing ends the window
    // with OK.
    OnCommand(kIdOk, [] {});
    OnCommand(kIdCancel, [this] { OnCancel(); });
}

void MainDlg::OnInitDialog() {
    (void)app_.GetCurrentPatient(&patient_);
    app_.SetMainWindow(this);

    // The language: the first number of language.ini, 0 when the file is missing.
    SettingsBytes settings{};
    (void)ReadSettingsInto(app_.config().settingsFile, &settings);
    languageIndex_ = SettingsFromBytes(settings).languageIndex;
    ApplyMainTexts(*this, languageIndex_, patient_);

    photoFolder_ = PatientFolderPath(app_.exeDir(), patient_.Tel());
    // A TEL that names no folder of its own (empty, "..", with '/') would make the scan list, and
    // the delete-all event empty, the folder of every patient.
    if (IsUsableFolderName(patient_.Tel())) {
        photoList_->ScanFolder(photoFolder_);
    }
    app_.SetPhotoFolder(photoFolder_.string());

    if (SelectLocalAdapter() == 1) {
        (void)link_->SetLocalAddress(ChosenLocalAddress().c_str());
    }
    Video();
}

void MainDlg::Video() {
    photoList_->hide();
    Control(kIdStillArea)->hide();
    Control(kIdLiveArea)->show();
    for (int id : kCompareAreaIds) {
        Control(id)->hide();
    }
    Control(kIdPreview)->show();
    view_ = View::kLive;

    (void)app_.GetCurrentPatient(&patient_);
    (void)EnsurePatientFolders(
        app_.exeDir(), std::string(patient_.Tel()),
        [this](const std::string& tel) { link_->SetPatientFolderName(tel); });
    if (link_->IsConnected() == 1) {
        return;
    }
    (void)link_->Start(this, liveArea_);
}

void MainDlg::ShowPhotoList() {
    for (int id : kCompareAreaIds) {
        Control(id)->hide();
    }
    Control(kIdLiveArea)->hide();
    photoList_->show();
    Control(kIdStillArea)->hide();
    view_ = View::kPhotoList;
    if (IsUsableFolderName(patient_.Tel())) {
        photoList_->RebuildList(photoFolder_);
    } else {
        photoList_->clear();
    }
    // Stopped even while still connecting: a camera that answers late must not bring live video
    // (and the camera's commands) back behind the photo list.
    StopLink();
}

void MainDlg::Capture() {
    if (link_->IsConnected() == 1) {
        // Holds the user-interface thread for the 100 ms the live picture stands still, as the
        // program always has; the snapshot reaches the preview later through OnSnapshot.
        (void)link_->RequestSnapshot();
    }
}

void MainDlg::Record() {
    if (link_->IsConnected() != 1) {
        return;
    }
    isRecording_ = !isRecording_;
    SetControlText(kIdRecord, RecordButtonText(languageIndex_, isRecording_));
    if (isRecording_) {
        (void)link_->StartRecording();
    } else {
        (void)link_->StopRecording();
    }
}

void MainDlg::Player() {
    (void)app_.shell().OpenFile(app_.exeDir() + "/video/");
}

void MainDlg::Settings() {
    Control(kIdStillArea)->hide();
    CVyrConfig config(app_);
    (void)config.exec();
}

void MainDlg::Exit() {
    if (link_->IsConnected() == 1) {
        (void)link_->StopRecording();
        QThread::msleep(100);
    }
    (void)link_->StopRecording();
    StopLink();
    step_ = ChainStep::kBackToPatients;
    EndCancel();
}

void MainDlg::OnCancel() {
    (void)link_->StopRecording();
    StopLink();
    step_ = ChainStep::kEnd;
    EndCancel();
}

void MainDlg::StopLink() {
    link_->Stop();
}

void MainDlg::OnItemClick() {
    const int row = photoList_->FirstSelectedRow();
    SetCurrentItemIndex(row);
    QLabel* preview = Label(kIdPreview);
    if (row < 0) {
        preview->setPixmap(QPixmap());
    } else {
        (void)LoadPictureInto(preview, QString::fromStdString(photoList_->ItemPath(row).string()));
    }
    preview->show();
}

ChainStep RunMainWindow(CVyrApp& app) {
    MainDlg window(app);
    (void)window.exec();
    return window.step();
}

}  // namespace vyr
