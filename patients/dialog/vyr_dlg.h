// CVyrDlg, the patient dialog (template 102): lists the patient store, adds (Save), changes (Edit),
// deletes and searches patients, and with Enter makes the patient in its boxes the current patient
// and hands over to the main window.
//
// The modal run ends with Rejected in every case; entered() tells Enter apart from Esc or the close
// box, and the caller then opens the main window.
#pragma once

#include <QString>

#include "patients/store/patient_record.h"
#include "patients/store/patient_search.h"
#include "platform/dialogs/prompts.h"
#include "platform/dialogs/template_dialog.h"

namespace vyr {

class CVyrApp;

// The system-menu command of the about box: any command whose value with the low four bits
// cleared is 16.
inline constexpr int kIdmAboutBox = 16;

class CVyrDlg : public TemplateDialog {
public:
    explicit CVyrDlg(CVyrApp& app, QWidget* parent = nullptr);

    // True once Enter accepted the boxes' patient and ended the dialog.
    bool entered() const { return entered_; }
    bool inSearchMode() const { return searchMode_; }
    // The list row chosen by the last click, -1 when none.
    int selectionIndex() const { return selectionIndex_; }

    // A command of the window's system menu; the about box for kIdmAboutBox.
    void OnSysCommand(int command);

private:
    void OnInitDialog();
    void OnRowClick();
    void OnNew();
    void OnSave();
    void OnEdit();
    void OnDelete();
    void OnSearch();
    void OnEnter();

    PatientRecord RecordFromBoxes() const;
    void ShowInBoxes(const PatientRecord& record);
    void ClearBoxes();
    void RefillFromStore();
    void ScrollToLastRow();
    void SetEditingEnabled(bool enabled);
    void ApplyTexts(int languageIndex);
    void Warn(const QString& text, const QString& caption, PromptIcon icon);

    CVyrApp& app_;
    int selectionIndex_ = -1;
    // The store slot of the patient chosen by the last click: the row itself in the whole list,
    // the result's slot in search results, so that Edit and Delete after a search and New act on
    // that patient and never on whatever now shows at the same row number.
    int selectedSlot_ = -1;
    bool searchMode_ = false;
    SearchResults searchResults_;
    bool entered_ = false;
};

}  // namespace vyr
