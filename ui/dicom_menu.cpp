// The DICOM menu's three commands. Everything the worker needs (pictures, patient, site key,
// archive settings) is read on the window's thread before the job starts, so the worker touches
// neither the window nor dicom.ini.
#include "ui/dicom_menu.h"

#include <QDateTime>
#include <QDir>
#include <QMenu>
#include <algorithm>

#include "app/core/vyr_app.h"
#include "dicom/archive_sender.h"
#include "dicom/photo_export.h"
#include "platform/dialogs/prompts.h"
#include "ui/dicom_job.h"
#include "ui/dicom_messages.h"
#include "ui/dicom_settings_dlg.h"
#include "ui/dicom_texts.h"
#include "ui/main_dlg.h"
#include "ui/photo_list.h"

namespace vyr {
namespace {

QString Text(const MainDlg& window, DicomText text) {
    return DicomTextFor(window.languageIndex(), text);
}

void ShowResult(MainDlg& window, CVyrApp& app, const QString& text, bool isAllDone) {
    (void)app.prompts().ShowMessage(
        &window, {text, Text(window, DicomText::kCaption),
                  isAllDone ? PromptIcon::kInformation : PromptIcon::kWarning, PromptButtons::kOk});
}

}  // namespace

std::filesystem::path DicomSettingsPath(const CVyrApp& app) {
    return app.config().settingsFile.parent_path() / kDicomSettingsFileName;
}

DicomMenu::DicomMenu(MainDlg& window, CVyrApp& app) : QObject(&window), window_(window), app_(app) {
    PhotoList* list = window_.photoList();
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(list, &QWidget::customContextMenuRequested, this,
                     [this](const QPoint& at) { ShowMenu(at); });
}

void DicomMenu::ShowMenu(const QPoint& at) {
    QMenu menu(&window_);
    // One batch at a time: a second would race the first for the same files and archive.
    const bool isIdle = !DicomJob::isAnyRunning();
    QAction* exportAction = menu.addAction(Text(window_, DicomText::kMenuExport));
    QAction* sendAction = menu.addAction(Text(window_, DicomText::kMenuSend));
    menu.addSeparator();
    QAction* settingsAction = menu.addAction(Text(window_, DicomText::kMenuSettings));
    exportAction->setEnabled(isIdle);
    sendAction->setEnabled(isIdle);
    const QAction* chosen = menu.exec(window_.photoList()->viewport()->mapToGlobal(at));
    if (chosen == exportAction) {
        ExportSelected();
    } else if (chosen == sendAction) {
        SendSelected();
    } else if (chosen == settingsAction) {
        EditSettings();
    }
}

std::vector<std::filesystem::path> DicomMenu::SelectedPictures() {
    PhotoList* list = window_.photoList();
    std::vector<int> rows;
    for (const QListWidgetItem* item : list->selectedItems()) {
        rows.push_back(list->row(item));
    }
    std::sort(rows.begin(), rows.end());
    std::vector<std::filesystem::path> pictures;
    for (int row : rows) {
        pictures.push_back(list->ItemPath(row));
    }
    if (pictures.empty()) {
        (void)app_.prompts().ShowMessage(&window_, {Text(window_, DicomText::kSelectPictures),
                                                    Text(window_, DicomText::kCaption),
                                                    PromptIcon::kInformation, PromptButtons::kOk});
    }
    return pictures;
}

void DicomMenu::ExportSelected() {
    const std::vector<std::filesystem::path> pictures = SelectedPictures();
    if (pictures.empty()) {
        return;
    }
    FilePrompt prompt;
    prompt.caption = Text(window_, DicomText::kMenuExport).remove(QStringLiteral("..."));
    prompt.folder = lastFolder_.isEmpty() ? QDir::homePath() : lastFolder_;
    const QString folder = app_.prompts().AskFolder(&window_, prompt);
    if (folder.isEmpty()) {
        return;
    }
    lastFolder_ = folder;
    PatientRecord patient;
    (void)app_.GetCurrentPatient(&patient);
    auto batch = std::make_shared<const PhotoBatch>(patient, pictures,
                                                    ReadOrCreateSiteKey(DicomSettingsPath(app_)),
                                                    QDateTime::currentDateTime());
    const int language = window_.languageIndex();
    new DicomJob(
        &window_, Text(window_, DicomText::kCaption), batch->size(),
        [language](size_t next, size_t total) {
            return DicomTextFor(language, DicomText::kExporting).arg(next + 1).arg(total);
        },
        Text(window_, DicomText::kCancel), Text(window_, DicomText::kStopping),
        [batch, folder](const BatchProgress& progress, BatchCancel cancel, BatchReport* report) {
            (void)ExportBatch(*batch, folder.toStdString(), progress, cancel, report);
        },
        [this, folder, language](const BatchReport& report) {
            ShowResult(window_, app_, ExportReportText(language, report, folder),
                       report.DoneCount() == report.pictures.size());
        });
}

void DicomMenu::SendSelected() {
    const std::vector<std::filesystem::path> pictures = SelectedPictures();
    if (pictures.empty()) {
        return;
    }
    const ArchiveSettings archive = ReadArchiveSettings(DicomSettingsPath(app_));
    const int language = window_.languageIndex();
    if (FindArchiveSettingsFault(archive) != ArchiveSettingsFault::kNone) {
        ShowResult(window_, app_, DicomTextFor(language, DicomText::kNoArchive), false);
        return;
    }
    PatientRecord patient;
    (void)app_.GetCurrentPatient(&patient);
    auto batch = std::make_shared<const PhotoBatch>(patient, pictures,
                                                    ReadOrCreateSiteKey(DicomSettingsPath(app_)),
                                                    QDateTime::currentDateTime());
    new DicomJob(
        &window_, Text(window_, DicomText::kCaption), batch->size(),
        [language](size_t next, size_t total) {
            return DicomTextFor(language, DicomText::kSending).arg(next + 1).arg(total);
        },
        Text(window_, DicomText::kCancel), Text(window_, DicomText::kStopping),
        [batch, archive](const BatchProgress& progress, BatchCancel cancel, BatchReport* report) {
            (void)SendBatch(*batch, archive, progress, cancel, report);
        },
        [this, archive, language](const BatchReport& report) {
            ShowResult(window_, app_, SendReportText(language, report, archive),
                       report.result == 0 && report.DoneCount() == report.pictures.size());
        });
}

void DicomMenu::EditSettings() {
    DicomSettingsDlg dialog(app_, DicomSettingsPath(app_), window_.languageIndex(), &window_);
    (void)dialog.exec();
}

void InstallDicomMenu(MainDlg& window, CVyrApp& app) {
    new DicomMenu(window, app);
}

}  // namespace vyr
