// The Output Report button: gathers the inputs from the window and the application, asks for the
// file through the Prompts seam, writes the page and opens it through the Shell seam.
#include "ui/report_export.h"

#include <QPlainTextEdit>
#include <QString>
#include <cstdio>
#include <filesystem>

#include "app/core/vyr_app.h"
#include "patients/store/text_field.h"
#include "platform/dialogs/prompts.h"
#include "platform/dialogs/shell.h"
#include "ui/current_item.h"
#include "ui/main_dlg.h"
#include "ui/photo_list.h"
#include "ui/report_page.h"
#include "ui/report_texts.h"

namespace vyr {
namespace {

constexpr char kFilter[] = "All Files(*.pdf)";

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::vector<int> SelectedRows(const PhotoList& list) {
    std::vector<int> rows;
    for (int row = 0; row < list.count(); ++row) {
        if (list.item(row)->isSelected()) {
            rows.push_back(row);
        }
    }
    return rows;
}

void TellNotWritten(QWidget* owner, Prompts& prompts, const std::string& why) {
    (void)prompts.ShowMessage(
        owner, {QString("The report was not written.\n\n%1").arg(ToQString(why)), "Output Report",
                PromptIcon::kWarning, PromptButtons::kOk});
}

}  // namespace

std::vector<int> PickReportPictures(const std::vector<int>& selectedRows) {
    std::vector<int> picked;
    for (auto row = selectedRows.rbegin(); row != selectedRows.rend() && picked.size() < 2; ++row) {
        picked.push_back(*row);
    }
    return picked;
}

std::string SuggestedReportName(std::string_view tel, std::time_t now) {
    std::string safeTel(tel);
    for (char& c : safeTel) {
        if (c == '/') {
            c = '_';
        }
    }
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "_%04d%02d%02d_%02d%02d.pdf", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min);
    return safeTel + stamp;
}

std::string ReportFileName(std::string chosen) {
    if (chosen.size() < 4 || chosen.compare(chosen.size() - 4, 4, ".pdf") != 0) {
        chosen += ".pdf";
    }
    return chosen;
}

std::string ReportDescription(std::string_view boxText) {
    return std::string(CutAtCharBoundary(boxText, kReportDescriptionMaxBytes));
}

void OutputReport(MainDlg& window, CVyrApp& app) {
    ReportContent content;
    (void)app.GetCurrentPatient(&content.patient);
    content.languageIndex = window.languageIndex();

    const std::vector<int> selected = SelectedRows(*window.photoList());
    const std::vector<int> picked = PickReportPictures(selected);

    const ReportTexts* texts = ReportTextsFor(content.languageIndex);
    FilePrompt prompt;
    prompt.caption = texts != nullptr ? ToQString(texts->saveTitle) : QString();
    prompt.fileName = ToQString(SuggestedReportName(content.patient.Tel(), std::time(nullptr)));
    prompt.filter = kFilter;
    const QString chosen = app.prompts().AskSaveFileName(&window, prompt);
    if (chosen.isEmpty()) {
        return;
    }
    const std::string fileName = ReportFileName(chosen.toStdString());
    std::error_code ignored;
    if (fileName != chosen.toStdString() && std::filesystem::exists(fileName, ignored)) {
        const PromptAnswer answer = app.prompts().ShowMessage(
            &window,
            {QString("%1 already exists.\nDo you want to replace it?").arg(ToQString(fileName)),
             prompt.caption.isEmpty() ? QString("Save as") : prompt.caption, PromptIcon::kWarning,
             PromptButtons::kYesNo});
        if (answer != PromptAnswer::kYes) {
            return;
        }
    }

    content.description = ReportDescription(window.descriptionBox()->toPlainText().toStdString());
    if (CurrentItemIndex() >= 0) {
        for (const int row : picked) {
            content.pictures.push_back(window.photoFolder() /
                                       window.photoList()->item(row)->text().toStdString());
        }
    }
    std::string why;
    if (WriteReport(content, fileName, &why) != 0) {
        TellNotWritten(&window, app.prompts(), why);
        return;
    }
    // The result is not examined: a desktop without a PDF viewer still has the file.
    (void)app.shell().OpenFile(fileName);
}

}  // namespace vyr
