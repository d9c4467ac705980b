// Where the analyzer draws its picture, and how pans and zooms move it. Picture pixel (u, v) lands
// in the back buffer at
//     scale × (offsetX + u × ratio.x, offsetY + v × ratio.y),
// so the offsets are in picture units before the zoom. In touch mode the ratio is the draw-at-a-
// point rule's resolution ratio (the display's dots per inch over the picture file's); in mouse
// mode it is the ratio that stretches the picture over the whole frame, so scale 1 and offset 0
// are the fitted draw, and the wheel and the right button zoom and pan from there.
#pragma once

#include <QImage>
#include <QSize>

namespace vyr {

struct ViewState {
    float scale = 1.0f;
    float initialScale = 1.0f;  // what Reset returns scale to
    float offsetX = 0.0f;
    float offsetY = 0.0f;
};

struct PictureRatio {
    double x = 1.0;
    double y = 1.0;
};

// The zoom that a picture exactly 1920 pixels wide opens with in touch mode: with a snapshot's
// 100 pixels per metre on a 96-dpi display it fills about 1161 x 653 screen pixels.
inline constexpr int kInitialZoomWidth = 1920;
inline constexpr float kInitialTouchZoom = 0.016f;

// 0.016 for a 1920-wide picture in touch mode, 1.0 for every other width and in mouse mode.
float InitialScale(int pictureWidth, bool isTouchMode);

// The draw-at-a-point ratio: the display's resolution over the one stored in the picture. A picture
// that stores none (0 pixels per metre) is drawn at one display pixel per picture pixel. Whole
// pixels per metre cannot hold 96 dpi exactly (3780 reads back as 96.012), so a ratio within 0.1 %
// of 1 is 1, keeping such pictures sharp. A hostile resolution is held to 1/100 .. 100.
PictureRatio ResolutionRatio(const QImage& picture, double displayDpiX, double displayDpiY);

// The ratio that stretches a picture over the whole surface (the aspect ratio is not kept).
PictureRatio FittedRatio(QSize picture, QSize surface);

// The zoom range: the picture shown from 1/32 to 64 times its ratio size, and always the initial
// zoom.
struct ZoomLimits {
    float minScale = 0.0f;
    float maxScale = 0.0f;
};
ZoomLimits LimitsFor(PictureRatio ratio, float initialScale);

// Moves the picture by (dx, dy) back-buffer pixels: offsets += d ÷ scale.
void PanView(ViewState* view, double dx, double dy);

// Multiplies the zoom by ratio (kept within limits) so that the picture point drawn at back-buffer
// position (hx, hy) stays there: offset := h ÷ scale − h ÷ s0 + offset. A ratio that is not a
// positive finite number changes nothing and returns false.
bool ZoomView(ViewState* view, double ratio, double hx, double hy, const ZoomLimits& limits);

// Where picture pixel (u, v) lands in the back buffer.
QPointF PictureToBuffer(const ViewState& view, PictureRatio ratio, QPointF picturePoint);

}  // namespace vyr
