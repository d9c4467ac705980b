// CVyrOpenCV: OnInitDialog in its fixed order, the first-draw thread, the picture draws, the
// buttons (Reset, Transformation, Image mark, R, G, B, Save) and Close. The mouse, the fingers and
// Ctrl+Z are in vyr_open_cv_input.cpp.
#include "analyzer/vyr_open_cv.h"

#include <QAbstractButton>
#include <QImageReader>
#include <QLabel>
#include <QMetaObject>
#include <chrono>
#include <cstdio>

#include "analyzer/analyzer_ids.h"
#include "analyzer/analyzer_template.h"
#include "analyzer/mark_file.h"
#include "app/core/vyr_app.h"
#include "capture/local_clock.h"
#include "settings/settings_file.h"

namespace vyr {
namespace {

constexpr std::chrono::milliseconds kFirstDrawDelay{100};

// The pen: red at program start; an annotation colour outside 0 to 2 keeps the colour last set
// in this run. Only the user-interface thread uses it.
QRgb& ProcessPen() {
    static QRgb pen = kPenRed;
    return pen;
}

bool PenOf(int annotationColour, QRgb* pen) {
    switch (annotationColour) {
        case 0:
            *pen = kPenRed;
            return true;
        case 1:
            *pen = kPenGreen;
            return true;
        case 2:
            *pen = kPenBlue;
            return true;
        default:
            return false;
    }
}

}  // namespace

CVyrOpenCV::CVyrOpenCV(CVyrApp& app, InputModeChoice inputMode, QWidget* parent)
    : TemplateDialog(AnalyzerTemplate(), parent), app_(app) {
    ConnectCommands();
    OnInitDialog(inputMode);
}

CVyrOpenCV::~CVyrOpenCV() {
    Close();
}

void CVyrOpenCV::ConnectCommands() {
    OnCommand(kIdReset, [this] { Reset(); });
    OnCommand(kIdTransformation, [this] { Transformation(); });
    OnCommand(kIdImageMark, [this] { ImageMark(); });
    OnCommand(kIdPenRed, [this] { SetPen(0); });
    OnCommand(kIdPenGreen, [this] { SetPen(1); });
    OnCommand(kIdPenBlue, [this] { SetPen(2); });
    OnCommand(kIdSave, [this] { (void)Save(); });
    OnCommand(kIdCancel, [this] {
        Close();
        EndCancel();
    });
}

void CVyrOpenCV::OnInitDialog(InputModeChoice inputMode) {
    // 1, 2: the mode, fixed for this opening; without touch there is no Transformation.
    touchMode_ = ResolveInputMode(inputMode) == InputMode::kTouch;
    if (!touchMode_) {
        Control(kIdTransformation)->hide();
    }
    // 3: the drawing surface and the picture rectangle.
    MakeSurface();
    // 4: the settings copy: zeroed, then the file's bytes; a file that cannot be opened is
    // created with the defaults (when it is missing) and the defaults are used.
    const std::filesystem::path& settingsFile = app_.config().settingsFile;
    copy_ = SettingsBytes{};
    if (!ReadSettingsInto(settingsFile, &copy_)) {
        copy_ = SettingsToBytes(ReadSettingsOrCreate(settingsFile));
    }
    const Settings settings = SettingsFromBytes(copy_);
    // 5, 6: captions and the pen.
    ApplyAnalyzerTexts(*this, settings.languageIndex);
    (void)PenOf(settings.annotationColour, &ProcessPen());
    // 7, 8: the picture and its initial zoom.
    LoadPicture();
    // 9: the back buffer, white until the first draw.
    buffer_.Create(surface_->contentsRect().size());
    // 10.
    StartFirstDraw();
}

void CVyrOpenCV::MakeSurface() {
    if (touchMode_) {
        Control(kIdPictureFrame)->hide();
        surface_ = new PictureView(buffer_, *this, this);
        surface_->setObjectName(QString::number(kIdTouchSurface));
        surface_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        surface_->setLineWidth(2);
        surface_->setGeometry(kTouchSurfaceRect);
        surface_->setAttribute(Qt::WA_AcceptTouchEvents);
        // The surface's fixed place reaches a few pixels under the buttons beside it; they stay
        // on top and whole.
        for (QObject* child : children()) {
            if (auto* button = qobject_cast<QAbstractButton*>(child)) {
                button->raise();
            }
        }
        return;
    }
    auto* frame = Label(kIdPictureFrame);
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    frame->setLineWidth(1);
    surface_ = new PictureView(buffer_, *this, frame);
    surface_->setFrameStyle(QFrame::NoFrame);
    surface_->setGeometry(frame->contentsRect());
}

void CVyrOpenCV::LoadPicture() {
    const std::string path = app_.GetPhotoFolder() + "/" + app_.GetSelectedPicture();
    if (path.size() > kPicturePathMaxBytes) {
        std::printf("analyzer: the picture path is longer than %zu bytes, not opened: %s\n",
                    kPicturePathMaxBytes, path.c_str());
        std::fflush(stdout);
    } else {
        QImageReader reader(QString::fromStdString(path));
        picture_ = reader.read();
    }
    const QSize rect = surface_->contentsRect().size();
    if (!picture_.isNull()) {
        picture_ = picture_.convertToFormat(picture_.hasAlphaChannel()
                                                ? QImage::Format_ARGB32_Premultiplied
                                                : QImage::Format_RGB32);
        ratio_ = touchMode_
                     ? ResolutionRatio(picture_, surface_->logicalDpiX(), surface_->logicalDpiY())
                     : FittedRatio(picture_.size(), rect);
    }
    const float initial = InitialScale(picture_.width(), touchMode_);
    const std::lock_guard<std::mutex> lock(viewLock_);
    view_ = ViewState{initial, initial, 0.0f, 0.0f};
    limits_ = LimitsFor(ratio_, initial);
}

ViewState CVyrOpenCV::view() const {
    const std::lock_guard<std::mutex> lock(viewLock_);
    return view_;
}

QColor CVyrOpenCV::penColour() const {
    return QColor::fromRgb(ProcessPen());
}

void CVyrOpenCV::StartFirstDraw() {
    firstDraw_ = std::thread([this] {
        {
            std::unique_lock<std::mutex> lock(firstDrawLock_);
            if (firstDrawWake_.wait_for(lock, kFirstDrawDelay, [this] { return stopFirstDraw_; })) {
                return;
            }
        }
        {
            // The picture, the ratio and the buffer's size are fixed before this thread starts;
            // the view is read under its lock; the back buffer is this thread's while it holds
            // the guard. Showing the result is left to the user-interface thread.
            DrawGuard guard(buffer_);
            if (guard.held()) {
                ComposeLocked();
            }
        }
        QMetaObject::invokeMethod(
            this, [this] { OnFirstDrawDone(); }, Qt::QueuedConnection);
    });
}

void CVyrOpenCV::WaitFirstDraw() {
    if (firstDraw_.joinable()) {
        firstDraw_.join();
    }
}

void CVyrOpenCV::OnFirstDrawDone() {
    if (isClosed_ || isFirstDrawDone_) {
        return;
    }
    WaitFirstDraw();
    isFirstDrawDone_ = true;
    strokes_.Clear();
    surface_->ShowPresented();
    if (isRedrawWanted_) {
        isRedrawWanted_ = false;
        (void)DrawPicture();
    }
}

void CVyrOpenCV::ComposeLocked() {
    const ViewState view = this->view();
    buffer_.ComposeView(picture_, view, ratio_);
    drawnView_ = view;
    buffer_.Present();
}

bool CVyrOpenCV::DrawPicture() {
    if (!buffer_.exists()) {
        return false;
    }
    {
        DrawGuard guard(buffer_);
        if (!guard.held()) {
            isRedrawWanted_ = true;
            return false;
        }
        ComposeLocked();
    }
    strokes_.Clear();
    surface_->ShowPresented();
    return true;
}

void CVyrOpenCV::Reset() {
    {
        const std::lock_guard<std::mutex> lock(viewLock_);
        view_.offsetX = 0.0f;
        view_.offsetY = 0.0f;
        view_.scale = view_.initialScale;
    }
    (void)DrawPicture();
}

void CVyrOpenCV::Transformation() {
    if (!touchMarking_) {
        return;
    }
    surface_->SetRawTouch(false);
    touchLast_.clear();
    touchStroke_ = false;
    touchMarking_ = false;
}

void CVyrOpenCV::ImageMark() {
    if (touchMarking_) {
        return;
    }
    // Nothing is drawn again: strokes go over the picture where it is; the view returns to the
    // initial one at the next draw. In mouse mode, where strokes are always available, the view
    // of the wheel and the right button is kept.
    if (touchMode_) {
        surface_->SetRawTouch(true);
        const std::lock_guard<std::mutex> lock(viewLock_);
        view_.offsetX = 0.0f;
        view_.offsetY = 0.0f;
        view_.scale = view_.initialScale;
    }
    touchMarking_ = true;
}

void CVyrOpenCV::SetPen(int annotationColour) {
    (void)PenOf(annotationColour, &ProcessPen());
    Settings settings = SettingsFromBytes(copy_);
    settings.annotationColour = annotationColour;
    copy_ = SettingsToBytes(settings);
    // The whole copy: the other fields go back as they were read at opening.
    (void)WriteSettingsFile(app_.config().settingsFile, copy_);
}

int CVyrOpenCV::Save(std::filesystem::path* written) {
    if (!buffer_.exists()) {
        return -1;
    }
    // A save right after opening waits for the first draw and writes it.
    WaitFirstDraw();
    const std::string folder = app_.GetPhotoFolder();
    std::filesystem::path file;
    std::string why;
    int result = -1;
    if (folder.empty()) {
        why = "there is no patient folder";
    } else {
        DrawGuard guard(buffer_);
        if (!guard.held()) {
            why = "the picture was being drawn";
        } else {
            result = SaveMarkFile(buffer_.image(), folder, LocalClockNow(), &file, &why);
        }
    }
    if (result != 0) {
        std::printf("analyzer: the marked picture was not saved in %s: %s\n", folder.c_str(),
                    why.c_str());
        std::fflush(stdout);
    } else if (written != nullptr) {
        *written = file;
    }
    if (NotificationTarget* mainWindow = app_.GetMainWindow(); mainWindow != nullptr) {
        mainWindow->OnSettingsChanged(copy_);
    }
    return result;
}

void CVyrOpenCV::Close() {
    {
        const std::lock_guard<std::mutex> lock(firstDrawLock_);
        stopFirstDraw_ = true;
    }
    firstDrawWake_.notify_all();
    WaitFirstDraw();
    if (buffer_.exists()) {
        buffer_.Release();
        picture_ = QImage();
    }
    if (touchMarking_) {
        surface_->SetRawTouch(false);
        const std::lock_guard<std::mutex> lock(viewLock_);
        view_.offsetX = 0.0f;
        view_.offsetY = 0.0f;
        view_.scale = touchMode_ ? view_.initialScale : 1.0f;
        touchMarking_ = false;
    }
    strokes_.Clear();
    isClosed_ = true;
}

}  // namespace vyr
