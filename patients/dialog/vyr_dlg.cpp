// The patient dialog's start-up and command handlers, in the order they appear on screen.
#include "patients/dialog/vyr_dlg.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>
#include <string>

#include "app/core/patient_folders.h"
#include "app/core/vyr_app.h"
#include "patients/dialog/about_dlg.h"
#include "patients/dialog/patient_list.h"
#include "patients/dialog/vyr_dlg_template.h"
#include "patients/dialog/vyr_dlg_texts.h"
#include "platform/dialogs/combo_selection.h"
#include "platform/dialogs/prompts.h"
#include "settings/settings_file.h"

namespace vyr {
namespace {

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string BoxText(const QLineEdit* box) {
    return box->text().toStdString();
}

// The language index at offset 0 of language.ini, 0 when the file cannot be read. This dialog
// never creates the file.
int ReadLanguageIndex(const std::filesystem::path& settingsFile) {
    SettingsBytes copy{};
    (void)ReadSettingsInto(settingsFile, &copy);
    return SettingsFromBytes(copy).languageIndex;
}

}  // namespace

CVyrDlg::CVyrDlg(CVyrApp& app, QWidget* parent)
    : TemplateDialog(PatientDialogTemplate(), parent), app_(app) {
    OnCommand(kIdNew, [this] { OnNew(); });
    OnCommand(kIdSave, [this] { OnSave(); });
    OnCommand(kIdEdit, [this] { OnEdit(); });
    OnCommand(kIdDelete, [this] { OnDelete(); });
    OnCommand(kIdSearch, [this] { OnSearch(); });
    OnCommand(kIdEnter, [this] { OnEnter(); });
    QObject::connect(List(kIdPatientList), &QAbstractItemView::clicked, this,
                     [this] { OnRowClick(); });
    OnInitDialog();
}

void CVyrDlg::OnInitDialog() {
    // The window manager's system menu is not reachable from Qt; the about entry is offered in
    // the dialog's context menu instead.
    auto* about = new QAction(QString::fromUtf8("关于 Vyr(&A)..."), this);
    QObject::connect(about, &QAction::triggered, this, [this] { OnSysCommand(kIdmAboutBox); });
    addAction(about);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    searchMode_ = false;
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(0, 192, 192));
    setPalette(background);
    setAutoFillBackground(true);

    QTableWidget* list = List(kIdPatientList);
    SetUpPatientList(list);
    // The list and the three edit boxes get a font one and a half times the template's height.
    QFont large = list->font();
    if (large.pixelSize() > 0) {
        large.setPixelSize(large.pixelSize() * 3 / 2);
    } else {
        large.setPointSize(static_cast<int>(large.pointSizeF() * 1.5));
    }
    for (QWidget* widget : {static_cast<QWidget*>(list), Control(kIdTelBox), Control(kIdNameBox),
                            Control(kIdAgeBox)}) {
        widget->setFont(large);
    }

    SelectComboItem(Combo(kIdGenderChoice), kGenderMale);
    ApplyTexts(ReadLanguageIndex(app_.config().settingsFile));

    PatientStore& store = app_.patientStore();
    (void)store.LoadOrCreate();
    RefillFromStore();
    // Slot 0 whatever the count: an empty store shows empty boxes.
    ShowInBoxes(store.Slot(0));
    selectionIndex_ = -1;
    selectedSlot_ = -1;
}

void CVyrDlg::ApplyTexts(int languageIndex) {
    const PatientDialogTexts* texts = PatientDialogTextsFor(languageIndex);
    if (texts == nullptr) {
        return;
    }
    SetControlText(kIdSave, Utf8(texts->save));
    SetControlText(kIdNew, Utf8(texts->newPatient));
    SetControlText(kIdDelete, Utf8(texts->remove));
    SetControlText(kIdEdit, Utf8(texts->edit));
    SetControlText(kIdSearch, Utf8(texts->search));
    SetControlText(kIdEnter, Utf8(texts->enter));
    SetControlText(kIdTelLabel, Utf8(texts->telLabel));
    SetControlText(kIdNameLabel, Utf8(texts->nameLabel));
    SetControlText(kIdAgeLabel, Utf8(texts->ageLabel));
    SetControlText(kIdGenderLabel, Utf8(texts->genderLabel));
}

void CVyrDlg::OnRowClick() {
    const int row = FirstSelectedRow(List(kIdPatientList));
    if (row < 0) {
        return;
    }
    selectionIndex_ = row;
    if (searchMode_) {
        if (row >= static_cast<int>(searchResults_.rows.size())) {
            return;
        }
        selectedSlot_ = searchResults_.storeSlots[static_cast<size_t>(row)];
        ShowInBoxes(searchResults_.rows[static_cast<size_t>(row)]);
    } else {
        selectedSlot_ = row;
        ShowInBoxes(app_.patientStore().Slot(row));
    }
}

void CVyrDlg::OnNew() {
    Edit(kIdNameBox)->clear();
    Edit(kIdAgeBox)->clear();
    Edit(kIdTelBox)->clear();
    SetEditingEnabled(true);
    searchMode_ = false;
    (void)app_.patientStore().LoadOrCreate();
    RefillFromStore();
    ScrollToLastRow();
}

void CVyrDlg::OnSave() {
    PatientStore& store = app_.patientStore();
    if (store.Add(RecordFromBoxes()) == AddResult::kLimitReached) {
        (void)app_.prompts().ShowMessage(
            this, {"only support 1000 users!", kAppTitle, PromptIcon::kNone, PromptButtons::kOk});
    }
    (void)store.LoadOrCreate();
    RefillFromStore();
    ScrollToLastRow();
}

void CVyrDlg::OnEdit() {
    if (selectedSlot_ < 0) {
        return;
    }
    (void)app_.patientStore().Update(selectedSlot_, RecordFromBoxes());
    selectionIndex_ = -1;
    selectedSlot_ = -1;
    RefillFromStore();
}

void CVyrDlg::OnDelete() {
    if (selectedSlot_ < 0) {
        return;
    }
    ClearBoxes();
    SelectComboItem(Combo(kIdGenderChoice), kGenderMale);
    (void)app_.patientStore().Remove(selectedSlot_);
    selectionIndex_ = -1;
    selectedSlot_ = -1;
    RefillFromStore();
}

void CVyrDlg::OnSearch() {
    // The keys are read once: the boxes change below as results are shown.
    const std::string name = BoxText(Edit(kIdNameBox));
    const std::string tel = BoxText(Edit(kIdTelBox));
    const PatientTable& table = app_.patientStore().table();
    const int first = FindPatient(table, name, tel);
    if (first < 0) {
        Warn("No information found!", "Warning", PromptIcon::kNone);
        return;
    }
    ShowInBoxes(table.Slot(first));
    SetEditingEnabled(false);
    searchMode_ = true;
    searchResults_ = SearchPatients(table, name, tel);
    QTableWidget* list = List(kIdPatientList);
    ClearPatientRows(list);
    for (const PatientRecord& record : searchResults_.rows) {
        AppendPatientRow(list, record);
        ShowInBoxes(record);
    }
}

void CVyrDlg::OnEnter() {
    const PatientRecord patient = RecordFromBoxes();
    // The current patient is replaced before the TEL is judged, even when Enter then refuses.
    app_.SetCurrentPatient(patient);
    if (patient.Tel().empty()) {
        Warn("TEL is null", "Warning!", PromptIcon::kWarning);
        return;
    }
    // The TEL names the patient's picture folder: it has to be one folder name inside jpg/.
    if (!IsUsableFolderName(patient.Tel())) {
        Warn(
            "TEL cannot be used as a folder name: no \"/\", no control characters, not \".\" or "
            "\"..\"",
            "Warning!", PromptIcon::kWarning);
        return;
    }
    entered_ = true;
    EndCancel();
}

void CVyrDlg::OnSysCommand(int command) {
    if ((command & 0xFFF0) == kIdmAboutBox) {
        CAboutDlg about(this);
        about.exec();
    }
}

PatientRecord CVyrDlg::RecordFromBoxes() const {
    // Texts longer than their fields are cut at a character boundary; the gender is the choice's
    // index as 16 bits (no choice, -1, is stored as 65535 and shown as male).
    const int gender = ComboSelection(Combo(kIdGenderChoice));
    return MakePatientRecord(BoxText(Edit(kIdNameBox)), BoxText(Edit(kIdAgeBox)),
                             BoxText(Edit(kIdTelBox)), static_cast<uint16_t>(gender));
}

void CVyrDlg::ShowInBoxes(const PatientRecord& record) {
    Edit(kIdTelBox)->setText(Utf8(record.Tel()));
    Edit(kIdAgeBox)->setText(Utf8(record.Age()));
    Edit(kIdNameBox)->setText(Utf8(record.Name()));
    SelectComboItem(Combo(kIdGenderChoice), record.gender);
}

void CVyrDlg::ClearBoxes() {
    Edit(kIdTelBox)->clear();
    Edit(kIdAgeBox)->clear();
    Edit(kIdNameBox)->clear();
}

void CVyrDlg::RefillFromStore() {
    QTableWidget* list = List(kIdPatientList);
    ClearPatientRows(list);
    const PatientStore& store = app_.patientStore();
    for (int slot = 0; slot < store.Count(); ++slot) {
        AppendPatientRow(list, store.Slot(slot));
    }
}

void CVyrDlg::ScrollToLastRow() {
    QTableWidget* list = List(kIdPatientList);
    if (list->rowCount() > 0) {
        list->scrollToItem(list->item(list->rowCount() - 1, kColumnNo));
    }
}

void CVyrDlg::SetEditingEnabled(bool enabled) {
    Button(kIdEdit)->setEnabled(enabled);
    Button(kIdDelete)->setEnabled(enabled);
    Button(kIdSave)->setEnabled(enabled);
}

void CVyrDlg::Warn(const QString& text, const QString& caption, PromptIcon icon) {
    // Boxes without an owner window, as the patient dialog has always shown them.
    (void)app_.prompts().ShowMessage(nullptr, {text, caption, icon, PromptButtons::kOk});
}

}  // namespace vyr
