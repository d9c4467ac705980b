// The view arithmetic in double precision, stored as 32-bit floats as the view state always was.
#include "analyzer/view_state.h"

#include <algorithm>
#include <cmath>

namespace vyr {
namespace {

constexpr double kMetresPerInch = 0.0254;
constexpr double kSnapToOne = 0.001;
constexpr double kMinResolutionRatio = 0.01;
constexpr double kMaxResolutionRatio = 100.0;
constexpr double kMinMagnification = 1.0 / 32;
constexpr double kMaxMagnification = 64.0;

double AxisRatio(double displayDpi, int pictureDotsPerMetre) {
    if (pictureDotsPerMetre <= 0 || !(displayDpi > 0)) {
        return 1.0;
    }
    const double ratio = displayDpi / (pictureDotsPerMetre * kMetresPerInch);
    if (std::abs(ratio - 1.0) < kSnapToOne) {
        return 1.0;
    }
    return std::clamp(ratio, kMinResolutionRatio, kMaxResolutionRatio);
}

}  // namespace

float InitialScale(int pictureWidth, bool isTouchMode) {
    return isTouchMode && pictureWidth == kInitialZoomWidth ? kInitialTouchZoom : 1.0f;
}

PictureRatio ResolutionRatio(const QImage& picture, double displayDpiX, double displayDpiY) {
    return {AxisRatio(displayDpiX, picture.dotsPerMeterX()),
            AxisRatio(displayDpiY, picture.dotsPerMeterY())};
}

PictureRatio FittedRatio(QSize picture, QSize surface) {
    if (picture.isEmpty() || surface.isEmpty()) {
        return {};
    }
    return {static_cast<double>(surface.width()) / picture.width(),
            static_cast<double>(surface.height()) / picture.height()};
}

ZoomLimits LimitsFor(PictureRatio ratio, float initialScale) {
    const double size = std::max(ratio.x, ratio.y);
    return {static_cast<float>(std::min<double>(initialScale, kMinMagnification / size)),
            static_cast<float>(std::max<double>(initialScale, kMaxMagnification / size))};
}

void PanView(ViewState* view, double dx, double dy) {
    view->offsetX = static_cast<float>(view->offsetX + dx / view->scale);
    view->offsetY = static_cast<float>(view->offsetY + dy / view->scale);
}

bool ZoomView(ViewState* view, double ratio, double hx, double hy, const ZoomLimits& limits) {
    if (!(ratio > 0) || !std::isfinite(ratio)) {
        return false;
    }
    const double s0 = view->scale;
    view->scale = std::clamp(static_cast<float>(s0 * ratio), limits.minScale, limits.maxScale);
    const double s1 = view->scale;
    view->offsetX = static_cast<float>(hx / s1 - hx / s0 + view->offsetX);
    view->offsetY = static_cast<float>(hy / s1 - hy / s0 + view->offsetY);
    return true;
}

QPointF PictureToBuffer(const ViewState& view, PictureRatio ratio, QPointF picturePoint) {
    return {view.scale * (view.offsetX + picturePoint.x() * ratio.x),
            view.scale * (view.offsetY + picturePoint.y() * ratio.y)};
}

}  // namespace vyr
