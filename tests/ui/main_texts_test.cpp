// The main window's texts in every language, read from the controls of a window opened with that
// language in language.ini, against the tables the program's users know (literal question marks
// included); the gender label for both genders; the template captions for indices outside 0 to 5.
#include "ui/main_texts.h"

#include <gtest/gtest.h>

#include <array>
#include <map>

#include "main_dlg_fixture.h"
#include "ui/main_dlg_ids.h"
#include "ui/main_dlg_template.h"

namespace vyr::test {
namespace {

using Column = std::array<const char*, 6>;

// Control id -> its text for indices 0 to 5, for the female patient zevra, 30, TEL 10000.
const std::map<int, Column>& ExpectedTexts() {
    static const std::map<int, Column> texts = {
        {kIdMultiSelection,
         {"Open multi selection", "打开多选", "Abrir selección múltiple", "Abrir sele??o múltipla",
          "Apri selezione multipla", "打開多選"}},
        {kIdExit, {"Exit", "退出", "Salir", "Sair", "Esci", "退出"}},
        {kIdRecord, {"Record", "录像", "Record", "Record", "Record", "录像"}},
        {kIdPlayer, {"Player", "播放", "Player", "Player", "Player", "播放"}},
        {kIdSystemManagement,
         {"System Management", "系统管理", "Gestión del sistema", "Administra??o de sistema",
          "Gestione del sistema", "系統管理"}},
        {kIdVideo, {"Video", "视频", "Vídeo", "Vídeo", "Video", "視頻"}},
        {kIdPhotoManagement,
         {"Photo Management", "相片管理", "Gestión de fotografías", "Gerenciamento de fotos",
          "Gestione delle foto", "相片管理"}},
        {kIdCompareBack,
         {"Exit comparison", "退出对比", "Salir de comparación", "Sair de compara??o",
          "Esci dal confronto", "退出對比"}},
        {kIdPatientTel,
         {"TEL: 10000", "电话: 10000", "TEL: 10000", "TEL: 10000", "TEL: 10000", "電話: 10000"}},
        {kIdPatientAge, {"Age: 30", "年龄: 30", "Edad: 30", "Idade: 30", "Età: 30", "年齡: 30"}},
        {kIdPatientName,
         {"Name: zevra", "姓名: zevra", "Nombre: zevra", "Nome: zevra", "Nome: zevra",
          "姓名: zevra"}},
        {kIdPatientGender,
         {"Gender: Female", "性别: 女性", "Sexo: Femenino", "Sexo: Feminino", "Genere: Femmina",
          "性別: 女性"}},
        {kIdCapture, {"Capture", "拍照", "Capturar", "Capturar", "Catturare", "拍照"}},
        {kIdDelete, {"Delete", "删除", "Eliminar", "Retirar", "Rimuovere", "刪除"}},
        {kIdCompare, {"Compare", "对比", "Comparar", "Comparar", "Confrontare", "對比"}},
        {kIdDescriptionLabel,
         {"Description of illness:", "病情描叙:", "Descripción de la condición:",
          "Descri??o da condi??o:", "Descrizione della condizione:", "病情描敘:"}},
        {kIdOutputReport,
         {"Output Report", "导出报告", "Exportar informe", "Relatório de exporta??o",
          "Rapporto di esportazione", "導出報告"}},
    };
    return texts;
}

constexpr Column kMaleGender = {"Gender: Male",    "性别: 男性",      "Sexo: Masculino",
                                "Sexo: Masculino", "Genere: Maschio", "性别: 男性"};

TEST_F(MainDlgTest, EveryControlShowsItsLanguagesText) {
    for (int index = 0; index < 6; ++index) {
        SCOPED_TRACE(index);
        WriteLanguage(index);
        MainDlg& window = Open();
        EXPECT_EQ(window.languageIndex(), index);
        for (const auto& [id, column] : ExpectedTexts()) {
            EXPECT_EQ(window.ControlText(id), QString::fromUtf8(column[index])) << "control " << id;
        }
        EXPECT_EQ(window.windowTitle(), QString::fromUtf8("Vyr（V8.5 2024/09/14)"));
    }
}

TEST(MainTextsTest, MalePatientsGenderLabelUsesTheSimplifiedFormatEverywhere) {
    TemplateDialog window(MainDlgTemplate());
    const PatientRecord patient = MakePatientRecord("zevra", "30", "10000", kGenderMale);
    for (int index = 0; index < 6; ++index) {
        ApplyMainTexts(window, index, patient);
        EXPECT_EQ(window.ControlText(kIdPatientGender), QString::fromUtf8(kMaleGender[index]))
            << index;
    }
}

TEST_F(MainDlgTest, IndicesOutsideTheSixLanguagesKeepTheTemplateCaptions) {
    const std::map<int, const char*> captions = {
        {kIdPhotoManagement, "Phote Management"},
        {kIdVideo, "Video"},
        {kIdSystemManagement, "System Management"},
        {kIdCompareBack, "Compare back"},
        {kIdRecord, "Record"},
        {kIdPlayer, "Player"},
        {kIdExit, "Exit"},
        {kIdCapture, "Capture"},
        {kIdMultiSelection, "Start multi selection"},
        {kIdCompare, "Compare"},
        {kIdDelete, "Delete"},
        {kIdOutputReport, "Output Image"},
        {kIdPatientName, "Name:"},
        {kIdPatientGender, "Gender:"},
        {kIdPatientAge, "Age:"},
        {kIdPatientTel, "TEL:"},
        {kIdDescriptionLabel, "Description of illness:"},
    };
    for (int index : {6, 7, -1}) {
        WriteLanguage(index);
        MainDlg& window = Open();
        for (const auto& [id, caption] : captions) {
            EXPECT_EQ(window.ControlText(id), QString::fromUtf8(caption))
                << "index " << index << ", control " << id;
        }
    }
}

TEST(MainTextsTest, RecordButtonIsChineseOnlyForOneAndFive) {
    for (int index : {-3, 0, 2, 3, 4, 6, 7}) {
        EXPECT_EQ(RecordButtonText(index, true), "Recording...") << index;
        EXPECT_EQ(RecordButtonText(index, false), "Record") << index;
    }
    for (int index : {1, 5}) {
        EXPECT_EQ(RecordButtonText(index, true), QString::fromUtf8("正在录像...")) << index;
        EXPECT_EQ(RecordButtonText(index, false), QString::fromUtf8("录像")) << index;
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
