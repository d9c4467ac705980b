// Window templates: a dialog described as a table of controls (numeric id, kind, caption,
// rectangle in dialog units, style flags, initial items), from which TemplateDialog builds the
// window. Tables are constexpr data beside each window's code.
#pragma once

#include <QRect>
#include <cstdint>
#include <span>
#include <string_view>

namespace vyr {

// The id of controls that are never addressed (labels, frames).
inline constexpr int kNoControlId = -1;
// The command ids of the OK and Cancel buttons; Cancel is also Esc and the close box.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

enum class ControlKind {
    kLabel,
    kEdit,
    kButton,
    kDefaultButton,  // pressed by Enter
    kGroupBox,       // a titled frame drawn under the controls placed inside it
    kAutoRadio,      // a click checks it
    kComboDropDown,  // editable text with a drop-down list of items
    kListReport,     // rows and columns with a header
};

// Style flags of a control.
enum ControlStyle : uint32_t {
    kStyleNone = 0,
    kStyleHidden = 1u << 0,
    kStyleDisabled = 1u << 1,
    kStyleBorder = 1u << 2,    // edits and lists: framed
    kStyleSorted = 1u << 3,    // combo boxes: items kept in sorted order
    kStyleOwnGroup = 1u << 4,  // radio buttons: not exclusive with their siblings
};

// A rectangle in dialog units: x, y, width, height.
struct DluRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// A template font and its dialog-unit scale. A horizontal dialog unit is a quarter of the font's
// average character width, a vertical one an eighth of its character height, measured for the
// font at 96 dots per inch; the two factors below are those measurements divided by 4 and 8, so
// every window of one font gets the same pixel sizes on every machine.
struct TemplateFont {
    std::string_view name;  // the font the template names; the desktop's family is used instead
    int pointSize = 8;
    double pixelsPerDluX = 1.5;
    double pixelsPerDluY = 1.625;
};

// "MS Shell Dlg" 8: average character 6 x 13 pixels, so 1.5 and 1.625 pixels per dialog unit.
inline constexpr TemplateFont kShellDlg8{"MS Shell Dlg", 8, 6.0 / 4, 13.0 / 8};
// "System" 10: character cell 8 x 16 pixels, so 2 pixels per dialog unit both ways.
inline constexpr TemplateFont kSystem10{"System", 10, 8.0 / 4, 16.0 / 8};

struct ControlTemplate {
    int id = kNoControlId;
    ControlKind kind = ControlKind::kLabel;
    std::string_view caption;  // UTF-8
    DluRect rect;
    uint32_t style = kStyleNone;
    std::span<const std::string_view> items = {};  // combo boxes: initial items, UTF-8
};

struct DialogTemplate {
    int templateId = 0;
    std::string_view title;  // UTF-8
    int width = 0;           // dialog units
    int height = 0;
    TemplateFont font = kShellDlg8;
    std::span<const ControlTemplate> controls;
};

// A dialog-unit rectangle in pixels for the font's scale, rounded to the nearest pixel.
QRect DluToPixels(const DluRect& rect, const TemplateFont& font);

}  // namespace vyr
