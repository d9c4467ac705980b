// One row of texts per language, UTF-8.
#include "patients/dialog/vyr_dlg_texts.h"

#include <array>

namespace vyr {
namespace {

constexpr std::array<PatientDialogTexts, 6> kTexts = {{
    {"Save", "New", "Delete", "Edit", "Search", "Login", "TEL:", "Name:", "Age:", "Gender"},
    {"保存", "新增", "删除", "编辑", "搜索", "登录", "电话:", "姓名:", "年龄:", "性别"},
    {"Salvar", "Nuevo", "Eliminar", "Editar", "Buscar", "Login",
     "TEL:", "Nombre:", "Edad:", "Sexo"},
    {"Salvar", "Novo", "Excluir", "Editar", "Pesquisar", "Login",
     "TEL:", "Nome:", "Idade:", "Sexo"},
    {"Salva", "Nuovo", "Elimina", "modificare", "Ricerca", "Login",
     "TEL:", "Nome:", "Età:", "Genere"},
    {"保存", "新增", "刪除", "編輯", "搜索", "登錄", "電話:", "姓名:", "年齡:", "性別"},
}};

}  // namespace

const PatientDialogTexts* PatientDialogTextsFor(int languageIndex) {
    if (languageIndex < 0 || languageIndex >= static_cast<int>(kTexts.size())) {
        return nullptr;
    }
    return &kTexts[static_cast<size_t>(languageIndex)];
}

}  // namespace vyr
