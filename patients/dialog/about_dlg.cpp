// Template 100: the program's name and an OK button.
#include "patients/dialog/about_dlg.h"

#include <array>

namespace vyr {
namespace {

constexpr std::array<ControlTemplate, 2> kControls = {{
    {kIdAboutText, ControlKind::kLabel, "Vyr", {40, 14, 119, 8}},
    {kIdOk, ControlKind::kDefaultButton, "确定", {113, 41, 50, 14}},
}};

constexpr DialogTemplate kTemplate100{100, "关于 Vyr", 170, 62, kShellDlg8, kControls};

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : TemplateDialog(kTemplate100, parent) {}

}  // namespace vyr
