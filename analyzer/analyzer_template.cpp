// The rows of template 131 and the caption table. The template names no font; it is laid out at
// 2 pixels per dialog unit (the "System" 10 scale of the main window), the only scale at which the
// touch surface's fixed pixel place (2, 46)-(1230, 692) lies over the picture frame.
// "Transforma??o" keeps its two question marks: they are part of the text.
#include "analyzer/analyzer_template.h"

#include <array>
#include <string_view>

#include "analyzer/analyzer_ids.h"
#include "platform/dialogs/template_dialog.h"

namespace vyr {
namespace {

constexpr ControlKind kButton = ControlKind::kButton;

constexpr std::array<ControlTemplate, 10> kControls = {{
    {kIdPictureFrame, ControlKind::kLabel, "", {1, 0, 609, 344}, kStyleBorder},
    {kIdCancel, kButton, "取消", {612, 12, 56, 25}},
    {kIdTransformation, kButton, "图像旋转", {613, 50, 56, 25}},
    {kIdImageMark, kButton, "图像标注", {613, 88, 56, 25}},
    {kIdSave, kButton, "保存", {614, 242, 56, 25}},
    {kIdPenRed, kButton, "R", {612, 282, 18, 25}},
    {kIdPenGreen, kButton, "G", {632, 282, 18, 25}},
    {kIdPenBlue, kButton, "B", {652, 282, 18, 25}},
    {kIdReset, kButton, "复位", {613, 319, 56, 25}},
    {kIdOk, ControlKind::kDefaultButton, "确定", {653, 1, 7, 10}, kStyleHidden},
}};

constexpr DialogTemplate kTemplate131{kAnalyzerTemplateId, "Analyzer-1", 673, 351,
                                      kSystem10,           kControls};

constexpr int kLanguages = 6;
using Row = std::array<std::string_view, kLanguages>;

struct CaptionRow {
    int id;
    Row captions;
};

constexpr std::array<CaptionRow, 4> kCaptions = {{
    {kIdSave, {"Save", "保存", "Salvar", "Salvar", "Salva", "保存"}},
    {kIdTransformation,
     {"Transformation", "图像变换", "Transformación", "Transforma??o", "Trasformazione",
      "圖像變換"}},
    {kIdImageMark,
     {"Image mark", "图像标注", "Marcar imagen", "Marcar imagem", "Segna immagine", "圖像標註"}},
    {kIdReset, {"Reset", "复位", "Reset", "Reiniciar", "Reset", "復位"}},
}};

}  // namespace

const DialogTemplate& AnalyzerTemplate() {
    return kTemplate131;
}

void ApplyAnalyzerTexts(TemplateDialog& window, int languageIndex) {
    if (languageIndex < 0 || languageIndex >= kLanguages) {
        return;
    }
    for (const CaptionRow& row : kCaptions) {
        const std::string_view text = row.captions[static_cast<size_t>(languageIndex)];
        window.SetControlText(row.id,
                              QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    }
}

}  // namespace vyr
