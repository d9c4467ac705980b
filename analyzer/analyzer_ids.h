// The analyzer window's numbers: template 131, the ids of its controls, the touch surface's child
// id and the place of that surface. Tests and the photo list address the window by these.
#pragma once

#include <QRect>

namespace vyr {

inline constexpr int kAnalyzerTemplateId = 131;

inline constexpr int kIdPictureFrame = 1028;  // the drawing surface in mouse mode
inline constexpr int kIdTransformation = 1045;
inline constexpr int kIdImageMark = 1054;
inline constexpr int kIdSave = 1050;
inline constexpr int kIdPenRed = 1047;
inline constexpr int kIdPenGreen = 1048;
inline constexpr int kIdPenBlue = 1049;
inline constexpr int kIdReset = 1044;

// The touch surface (CChildView): a child of the analyzer at pixels (2, 46)-(1230, 692) of its
// client area, found by this id (its object name).
inline constexpr int kIdTouchSurface = 59648;
inline constexpr QRect kTouchSurfaceRect{2, 46, 1228, 646};

}  // namespace vyr
