// The main window's texts in every language, read from the controls of a window opened with that
// language in language.ini, against the table the program's users know (literal question marks
// included); indices outside 0 to 5 keep the template's captions. Patient fields are shown as
// typed.
#include "ui/main_texts.h"

#include <gtest/gtest.h>

#include <array>
#include <map>

#include "main_dlg_fixture.h"
#include "ui/main_dlg_ids.h"
#include "ui/main_dlg_template.h"

namespace vyr::test {
namespace {

// Texts for indices 0 to 5, then the template's caption, for the female patient zevra, 30, 10000.
using Column = std::array<const char*, 7>;
const std::map<int, Column> kTexts = {
    {kIdMultiSelection,
     {"Open multi selection", "打开多选", "Abrir selección múltiple", "Abrir sele??o múltipla",
      "Apri selezione multipla", "打開多選", "Start multi selection"}},
    {kIdExit, {"Exit", "退出", "Salir", "Sair", "Esci", "退出", "Exit"}},
    {kIdRecord, {"Record", "录像", "Record", "Record", "Record", "录像", "Record"}},
    {kIdPlayer, {"Player", "播放", "Player", "Player", "Player", "播放", "Player"}},
    {kIdSystemManagement,
     {"System Management", "系统管理", "Gestión del sistema", "Administra??o de sistema",
      "Gestione del sistema", "系統管理", "System Management"}},
    {kIdVideo, {"Video", "视频", "Vídeo", "Vídeo", "Video", "視頻", "Video"}},
    {kIdPhotoManagement,
     {"Photo Management", "相片管理", "Gestión de fotografías", "Gerenciamento de fotos",
      "Gestione delle foto", "相片管理", "Phote Management"}},
    {kIdCompareBack,
     {"Exit comparison", "退出对比", "Salir de comparación", "Sair de compara??o",
      "Esci dal confronto", "退出對比", "Compare back"}},
    {kIdPatientTel,
     {"TEL: 10000", "电话: 10000", "TEL: 10000", "TEL: 10000", "TEL: 10000", "電話: 10000",
      "TEL:"}},
    {kIdPatientAge,
     {"Age: 30", "年龄: 30", "Edad: 30", "Idade: 30", "Età: 30", "年齡: 30", "Age:"}},
    {kIdPatientName,
     {"Name: zevra", "姓名: zevra", "Nombre: zevra", "Nome: zevra", "Nome: zevra", "姓名: zevra",
      "Name:"}},
    {kIdPatientGender,
     {"Gender: Female", "性别: 女性", "Sexo: Femenino", "Sexo: Feminino", "Genere: Femmina",
      "性別: 女性", "Gender:"}},
    {kIdCapture, {"Capture", "拍照", "Capturar", "Capturar", "Catturare", "拍照", "Capture"}},
    {kIdDelete, {"Delete", "删除", "Eliminar", "Retirar", "Rimuovere", "刪除", "Delete"}},
    {kIdCompare, {"Compare", "对比", "Comparar", "Comparar", "Confrontare", "對比", "Compare"}},
    {kIdDescriptionLabel,
     {"Description of illness:", "病情描叙:", "Descripción de la condición:",
      "Descri??o da condi??o:", "Descrizione della condizione:", "病情描敘:",
      "Description of illness:"}},
    {kIdOutputReport,
     {"Output Report", "导出报告", "Exportar informe", "Relatório de exporta??o",
      "Rapporto di esportazione", "導出報告", "Output Image"}},
};
// The gender label of a male patient (the simplified format in every language) and Record's text
// while recording.
constexpr Column kMaleGender = {"Gender: Male",    "性别: 男性",      "Sexo: Masculino",
                                "Sexo: Masculino", "Genere: Maschio", "性别: 男性",
                                "Gender:"};
constexpr Column kRecording = {"Recording...", "正在录像...", "Recording...", "Recording...",
                               "Recording...", "正在录像...", "Recording..."};

TEST_F(MainDlgTest, EveryLanguageShowsItsTexts) {
    const PatientRecord male = MakePatientRecord("zevra", "30", "10000", kGenderMale);
    for (int index : {0, 1, 2, 3, 4, 5, 6, 7, -1}) {
        SCOPED_TRACE(index);
        const size_t column = index >= 0 && index < 6 ? static_cast<size_t>(index) : 6;
        WriteLanguage(index);
        MainDlg& window = Open();
        EXPECT_EQ(window.languageIndex(), index);
        for (const auto& [id, texts] : kTexts) {
            EXPECT_EQ(window.ControlText(id), QString::fromUtf8(texts[column])) << "control " << id;
        }
        EXPECT_EQ(window.windowTitle(), QString::fromUtf8("Vyr（V8.5 2024/09/14)"));
        EXPECT_EQ(RecordButtonText(index, false), QString::fromUtf8(kTexts.at(kIdRecord)[column]));
        EXPECT_EQ(RecordButtonText(index, true), QString::fromUtf8(kRecording[column]));
        TemplateDialog maleWindow(MainDlgTemplate());
        ApplyMainTexts(maleWindow, index, male);
        EXPECT_EQ(maleWindow.ControlText(kIdPatientGender), QString::fromUtf8(kMaleGender[column]));
    }
}

TEST(MainTextsTest, PatientFieldsAreShownAsTyped) {
    // A field with format characters of its own is not formatted again.
    const PatientRecord patient = MakePatientRecord("50%s %1 名字", "3%d", "1-2", kGenderFemale);
    TemplateDialog window(MainDlgTemplate());
    ApplyMainTexts(window, 0, patient);
    EXPECT_EQ(window.ControlText(kIdPatientName), QString::fromUtf8("Name: 50%s %1 名字"));
    EXPECT_EQ(window.ControlText(kIdPatientAge), "Age: 3%d");
    EXPECT_EQ(window.ControlText(kIdPatientTel), "TEL: 1-2");
}

}  // namespace
}  // namespace vyr::test
