// A modal dialog built from a DialogTemplate. Controls are found by their numeric id and each id's
// command (a click on its button or radio button) runs the handler connected to that id.
//
// Commands: kIdOk ends the dialog with Accepted and kIdCancel with Rejected unless a window
// connects its own handler. Esc and the close box send kIdCancel, so a window's Cancel handler
// sees every way of cancelling.
#pragma once

#include <QDialog>
#include <functional>
#include <map>

#include "platform/dialogs/dialog_template.h"

class QAbstractButton;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace vyr {

class TemplateDialog : public QDialog {
public:
    explicit TemplateDialog(const DialogTemplate& dialogTemplate, QWidget* parent = nullptr);

    const DialogTemplate& dialogTemplate() const { return template_; }

    // The control with this id, or nullptr when the template has none.
    QWidget* Control(int id) const;
    // Typed access for a window's own ids; an id missing from the template, or of another kind,
    // is a mistake in the window's table and stops the program with a message.
    QLineEdit* Edit(int id) const;
    QComboBox* Combo(int id) const;
    QAbstractButton* Button(int id) const;
    QLabel* Label(int id) const;
    QGroupBox* Group(int id) const;
    QTableWidget* List(int id) const;

    // Replaces the handler of a command id.
    void OnCommand(int id, std::function<void()> handler);
    // Runs the handler of id as a click on its control would; ids without a handler do nothing.
    void Command(int id);

    // The text shown by a label, button, group box or edit box.
    void SetControlText(int id, const QString& text);
    QString ControlText(int id) const;

    // Both route through the command table: accept() is command kIdOk, reject() (Esc, the close
    // box) is command kIdCancel.
    void accept() override;
    void reject() override;

protected:
    // End the modal run with Accepted or Rejected without going through the command table.
    void EndOk() { done(Accepted); }
    void EndCancel() { done(Rejected); }

private:
    template <class T>
    T* Typed(int id, const char* kind) const;

    DialogTemplate template_;
    std::map<int, QWidget*> controls_;
    std::map<int, std::function<void()>> handlers_;
};

}  // namespace vyr
