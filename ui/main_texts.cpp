// The tables of the main window's texts, one row per control and one column per language, and the
// order in which ApplyMainTexts sets them. Texts with "%s" are filled with the patient's field.
#include "ui/main_texts.h"

#include <array>
#include <string_view>

#include "platform/dialogs/template_dialog.h"
#include "ui/main_dlg_ids.h"

namespace vyr {
namespace {

using Row = std::array<std::string_view, kLanguageCount>;

constexpr Row kMultiOff = {"Open multi selection",     "打开多选",
                           "Abrir selección múltiple", "Abrir sele??o múltipla",
                           "Apri selezione multipla",  "打開多選"};
constexpr Row kMultiOn = {"Close multi selection",     "关闭多选",
                          "Cerrar selección múltiple", "Fechar sele??o múltipla",
                          "Chiudi selezione multipla", "關閉多選"};
constexpr Row kExit = {"Exit", "退出", "Salir", "Sair", "Esci", "退出"};
constexpr Row kPlayer = {"Player", "播放", "Player", "Player", "Player", "播放"};
constexpr Row kSystem = {"System Management",    "系统管理",
                         "Gestión del sistema",  "Administra??o de sistema",
                         "Gestione del sistema", "系統管理"};
constexpr Row kVideo = {"Video", "视频", "Vídeo", "Vídeo", "Video", "視頻"};
constexpr Row kPhotos = {"Photo Management",       "相片管理",
                         "Gestión de fotografías", "Gerenciamento de fotos",
                         "Gestione delle foto",    "相片管理"};
constexpr Row kCompareBack = {"Exit comparison",    "退出对比",           "Salir de comparación",
                              "Sair de compara??o", "Esci dal confronto", "退出對比"};
constexpr Row kTel = {"TEL: %s", "电话: %s", "TEL: %s", "TEL: %s", "TEL: %s", "電話: %s"};
constexpr Row kAge = {"Age: %s", "年龄: %s", "Edad: %s", "Idade: %s", "Età: %s", "年齡: %s"};
constexpr Row kName = {"Name: %s", "姓名: %s", "Nombre: %s", "Nome: %s", "Nome: %s", "姓名: %s"};
constexpr Row kGenderFormatMale = {"Gender: %s", "性别: %s",   "Sexo: %s",
                                   "Sexo: %s",   "Genere: %s", "性别: %s"};
constexpr Row kMale = {"Male", "男性", "Masculino", "Masculino", "Maschio", "男性"};
// The traditional Chinese format differs between the two genders.
constexpr Row kGenderFormatFemale = {"Gender: %s", "性别: %s",   "Sexo: %s",
                                     "Sexo: %s",   "Genere: %s", "性別: %s"};
constexpr Row kFemale = {"Female", "女性", "Femenino", "Feminino", "Femmina", "女性"};
constexpr Row kCapture = {"Capture", "拍照", "Capturar", "Capturar", "Catturare", "拍照"};
constexpr Row kDelete = {"Delete", "删除", "Eliminar", "Retirar", "Rimuovere", "刪除"};
constexpr Row kCompare = {"Compare", "对比", "Comparar", "Comparar", "Confrontare", "對比"};
constexpr Row kDescription = {"Description of illness:",       "病情描叙:",
                              "Descripción de la condición:",  "Descri??o da condi??o:",
                              "Descrizione della condizione:", "病情描敘:"};
constexpr Row kReport = {"Output Report",
                         "导出报告",
                         "Exportar informe",
                         "Relatório de exporta??o",
                         "Rapporto di esportazione",
                         "導出報告"};

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The format's "%s" replaced by the value, as one plain substitution (a value that itself holds
// "%s" or "%1" is shown as typed).
QString Fill(std::string_view format, std::string_view value) {
    const size_t at = format.find("%s");
    return Utf8(format.substr(0, at)) + Utf8(value) + Utf8(format.substr(at + 2));
}

bool IsChineseRecordText(int languageIndex) {
    return languageIndex == 1 || languageIndex == 5;
}

}  // namespace

bool HasMainTexts(int languageIndex) {
    return languageIndex >= 0 && languageIndex < kLanguageCount;
}

void ApplyMainTexts(TemplateDialog& window, int languageIndex, const PatientRecord& patient) {
    if (!HasMainTexts(languageIndex)) {
        return;
    }
    const auto i = static_cast<size_t>(languageIndex);
    window.SetControlText(kIdMultiSelection, Utf8(kMultiOff[i]));
    window.SetControlText(kIdExit, Utf8(kExit[i]));
    window.SetControlText(kIdRecord, RecordButtonText(languageIndex, false));
    window.SetControlText(kIdPlayer, Utf8(kPlayer[i]));
    window.SetControlText(kIdSystemManagement, Utf8(kSystem[i]));
    window.SetControlText(kIdVideo, Utf8(kVideo[i]));
    window.SetControlText(kIdPhotoManagement, Utf8(kPhotos[i]));
    window.SetControlText(kIdCompareBack, Utf8(kCompareBack[i]));
    window.SetControlText(kIdPatientTel, Fill(kTel[i], patient.Tel()));
    window.SetControlText(kIdPatientAge, Fill(kAge[i], patient.Age()));
    window.SetControlText(kIdPatientName, Fill(kName[i], patient.Name()));
    const bool isMale = patient.gender != 0;
    window.SetControlText(kIdPatientGender, isMale ? Fill(kGenderFormatMale[i], kMale[i])
                                                   : Fill(kGenderFormatFemale[i], kFemale[i]));
    window.SetControlText(kIdCapture, Utf8(kCapture[i]));
    window.SetControlText(kIdDelete, Utf8(kDelete[i]));
    window.SetControlText(kIdCompare, Utf8(kCompare[i]));
    window.SetControlText(kIdDescriptionLabel, Utf8(kDescription[i]));
    window.SetControlText(kIdOutputReport, Utf8(kReport[i]));
}

QString RecordButtonText(int languageIndex, bool isRecording) {
    if (IsChineseRecordText(languageIndex)) {
        return isRecording ? QString::fromUtf8("正在录像...") : QString::fromUtf8("录像");
    }
    return isRecording ? QStringLiteral("Recording...") : QStringLiteral("Record");
}

QString MultiSelectionText(int languageIndex, bool isOn) {
    if (!HasMainTexts(languageIndex)) {
        return {};
    }
    const auto i = static_cast<size_t>(languageIndex);
    return Utf8(isOn ? kMultiOn[i] : kMultiOff[i]);
}

}  // namespace vyr
