// CVyrOpenCV, the analyzer (template 131): one picture of the current patient, shown to be looked
// at closely, moved and zoomed, marked with freehand strokes in the pen colour and saved as a new
// marked picture into the patient's folder. The photo list opens it modally, with no parent, after
// storing the picture's name in the application object.
//
// Mouse mode (no touch screen): the picture is stretched over the frame; the left button draws,
// the wheel zooms about the pointer, the right button pans, Reset returns to the fitted picture.
// Touch mode (a touch screen, or VYR_ANALYZER_INPUT=touch): the picture is drawn at its natural
// size times the zoom on the touch surface; one finger pans, two fingers zoom, a press and tap
// blanks the surface; Image mark switches the fingers to drawing and Transformation back to
// gestures. In both modes Ctrl+Z takes back the last stroke since the picture was last drawn.
//
// Threads: the first-draw thread composes the first picture into the back buffer about 100 ms
// after opening; everything else runs on the user-interface thread. The back buffer's draw guard
// keeps every draw and stroke segment apart, and only the user-interface thread paints widgets.
#pragma once

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "analyzer/back_buffer.h"
#include "analyzer/input_mode.h"
#include "analyzer/picture_view.h"
#include "analyzer/stroke_log.h"
#include "analyzer/view_state.h"
#include "platform/dialogs/template_dialog.h"
#include "platform/notification_target.h"

namespace vyr {

class CVyrApp;

// A picture path has to fit a 255-byte buffer with its terminator; a longer one is refused.
inline constexpr size_t kPicturePathMaxBytes = 254;

// The pen colours of annotation colours 0, 1 and 2.
inline constexpr QRgb kPenRed = 0xFFFF0000;
inline constexpr QRgb kPenGreen = 0xFF008000;
inline constexpr QRgb kPenBlue = 0xFF0000FF;

class CVyrOpenCV : public TemplateDialog, private SurfaceTarget {
public:
    // Builds the window and runs OnInitDialog; the first draw follows about 100 ms later.
    explicit CVyrOpenCV(CVyrApp& app, InputModeChoice inputMode = InputModeChoice::kDetect,
                        QWidget* parent = nullptr);
    // Window destruction: Close.
    ~CVyrOpenCV() override;

    bool touchMode() const { return touchMode_; }
    bool touchMarking() const { return touchMarking_; }
    ViewState view() const;
    QColor penColour() const;
    // The picture as loaded (null when it could not be loaded or its path was refused).
    const QImage& picture() const { return picture_; }
    PictureRatio pictureRatio() const { return ratio_; }
    // The drawing surface: inside the frame 1028 in mouse mode, the touch surface 59648 in touch
    // mode.
    PictureView* surface() const { return surface_; }
    // Set once the first draw has been shown.
    bool isFirstDrawDone() const { return isFirstDrawDone_; }
    // What the screen shows of the back buffer.
    QImage ShownPicture() const { return buffer_.Shown(); }
    const StrokeLog& strokes() const { return strokes_; }

    // Save (1050): the back buffer as a new mark_ BMP in the patient's folder, then the main window
    // is told that the settings changed, so its photo list is rebuilt and shows the file. Returns 0
    // and the file's path in *written, or -1 when nothing was written (the console says why; the
    // main window is told all the same).
    int Save(std::filesystem::path* written = nullptr);

    // SurfaceTarget: the touch surface's raw touch points and gestures, the surface's mouse.
    void OnTouchPoint(const TouchPoint& point) override;
    void OnGesture(const GestureInfo& gesture) override;
    void OnSurfaceMouse(const SurfaceMouse& mouse) override;

protected:
    // Ctrl+Z (the platform's undo keys): Undo. Enter: the hidden default button OK, which ends the
    // dialog (a hidden button never receives Enter by itself).
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnInitDialog(InputModeChoice inputMode);
    void MakeSurface();
    void LoadPicture();
    void ConnectCommands();
    void StartFirstDraw();
    void WaitFirstDraw();
    void OnFirstDrawDone();
    void Close();

    void Reset();
    void Transformation();
    void ImageMark();
    void SetPen(int annotationColour);
    void Undo();

    // The view draw (the fitted draw in mouse mode at the initial view): composed, presented and
    // shown; strokes since the last draw are forgotten. False when another draw held the guard
    // (then the draw is repeated once the first draw is shown).
    bool DrawPicture();
    // Composes the view into the back buffer and presents it; the caller holds the guard.
    void ComposeLocked();
    // One segment of a stroke of this contact (-1 the mouse); false when it could not be drawn.
    bool DrawSegment(int contact, QPointF a, QPointF b);
    void MouseInMouseMode(const SurfaceMouse& mouse);

    CVyrApp& app_;
    bool touchMode_ = true;
    bool touchMarking_ = false;
    bool isClosed_ = false;
    PictureView* surface_ = nullptr;
    SettingsBytes copy_{};

    BackBuffer buffer_;
    QImage picture_;
    PictureRatio ratio_;
    ZoomLimits limits_;
    // The view is read by the first-draw thread, so it is changed under this lock.
    mutable std::mutex viewLock_;
    ViewState view_;
    ViewState drawnView_;  // the view of the last draw; written under the draw guard

    // Marks (user-interface thread).
    StrokeLog strokes_;
    bool mouseStroke_ = false;
    QPointF mouseLast_;
    bool isPanning_ = false;
    QPointF panLast_;
    bool touchStroke_ = false;
    std::map<int, QPointF> touchLast_;

    // Gesture memory.
    int lastGestureX_ = 0;
    int lastGestureY_ = 0;
    uint64_t lastGestureArgument_ = 0;

    // The first-draw thread.
    std::thread firstDraw_;
    std::mutex firstDrawLock_;
    std::condition_variable firstDrawWake_;
    bool stopFirstDraw_ = false;
    bool isFirstDrawDone_ = false;
    bool isRedrawWanted_ = false;
};

}  // namespace vyr
