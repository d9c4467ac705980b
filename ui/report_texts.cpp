// The report's text table, one entry per language.
#include "ui/report_texts.h"

#include <array>

namespace vyr {
namespace {

constexpr std::array<ReportTexts, 6> kTexts = {{
    {"Save as", "Report:", "Name:%s Gender:%s Age:%s", "F", "M", "Tel:%s",
     "Date:%04d%02d%02d %02d:%02d", "Description of illness:"},
    {"保存文件", "检测报告:", "姓名:%s 性别:%s 年龄:%s", "女", "男", "电话:%s",
     "日期:%04d%02d%02d %02d:%02d", "病情描叙:"},
    {"Guardar como", "Informe dental:", "Nombre:%s Sexo:%s Edad:%s", "F", "M", "TEL:%s",
     "Fecha:%04d%02d%02d %02d:%02d", "Descripción de la condición:"},
    {"Salvar como", "relatório Dental:", "Nome:%s Sexo:%s Idade:%s", "F", "M", "TEL:%s",
     "Data:%04d%02d%02d %02d:%02d", "Descri??o da condi??o:"},
    {"Salva come", "Rapporto dentale:", "Nome:%s Genere:%s Età:%s", "F", "M", "TEL:%s",
     "Data:%04d%02d%02d %02d:%02d", "Descrizione della condizione:"},
    {"保存文件", "檢測報告:", "姓名:%s 性别:%s 年齡:%s", "女", "男", "電話:%s",
     "日期:%04d%02d%02d %02d:%02d", "病情描敘:"},
}};

}  // namespace

const ReportTexts* ReportTextsFor(int languageIndex) {
    if (languageIndex < 0 || languageIndex >= static_cast<int>(kTexts.size())) {
        return nullptr;
    }
    return &kTexts[static_cast<size_t>(languageIndex)];
}

}  // namespace vyr
