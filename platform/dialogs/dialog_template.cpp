// Dialog units to pixels with the per-font factors.
#include "platform/dialogs/dialog_template.h"

#include <cmath>

namespace vyr {
namespace {

int Scale(int units, double factor) {
    return static_cast<int>(std::lround(units * factor));
}

}  // namespace

QRect DluToPixels(const DluRect& rect, const TemplateFont& font) {
    return {Scale(rect.x, font.pixelsPerDluX), Scale(rect.y, font.pixelsPerDluY),
            Scale(rect.width, font.pixelsPerDluX), Scale(rect.height, font.pixelsPerDluY)};
}

}  // namespace vyr
