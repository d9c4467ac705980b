// Building the controls of a template in table order (later rows are drawn over earlier ones, so a
// group box listed before its radio buttons stays beneath them) and dispatching commands by id.
#include "platform/dialogs/template_dialog.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableWidget>

#include "platform/dialogs/control_factory.h"

namespace vyr {

TemplateDialog::TemplateDialog(const DialogTemplate& dialogTemplate, QWidget* parent)
    : QDialog(parent), template_(dialogTemplate) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowTitle(
        QString::fromUtf8(template_.title.data(), static_cast<qsizetype>(template_.title.size())));
    QFont templateFont = font();
    templateFont.setPointSize(template_.font.pointSize);
    setFont(templateFont);
    setFixedSize(DluToPixels({0, 0, template_.width, template_.height}, template_.font).size());

    for (const ControlTemplate& row : template_.controls) {
        QWidget* widget = CreateControl(row, template_.font, this);
        if (row.id == kNoControlId) {
            continue;
        }
        controls_[row.id] = widget;
        const int id = row.id;
        if (auto* radio = qobject_cast<QRadioButton*>(widget); radio != nullptr) {
            // A radio button of its own group is checked by every click, never unchecked.
            QObject::connect(radio, &QAbstractButton::clicked, this, [this, radio, id] {
                radio->setChecked(true);
                Command(id);
            });
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget); button != nullptr) {
            QObject::connect(button, &QAbstractButton::clicked, this, [this, id] { Command(id); });
        }
    }
    handlers_[kIdOk] = [this] { EndOk(); };
    handlers_[kIdCancel] = [this] { EndCancel(); };
}

QWidget* TemplateDialog::Control(int id) const {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

template <class T>
T* TemplateDialog::Typed(int id, const char* kind) const {
    T* typed = qobject_cast<T*>(Control(id));
    if (typed == nullptr) {
        qFatal("template %d has no %s with id %d", template_.templateId, kind, id);
    }
    return typed;
}

QLineEdit* TemplateDialog::Edit(int id) const {
    return Typed<QLineEdit>(id, "edit box");
}

QComboBox* TemplateDialog::Combo(int id) const {
    return Typed<QComboBox>(id, "combo box");
}

QAbstractButton* TemplateDialog::Button(int id) const {
    return Typed<QAbstractButton>(id, "button");
}

QLabel* TemplateDialog::Label(int id) const {
    return Typed<QLabel>(id, "label");
}

QGroupBox* TemplateDialog::Group(int id) const {
    return Typed<QGroupBox>(id, "group box");
}

QTableWidget* TemplateDialog::List(int id) const {
    return Typed<QTableWidget>(id, "list");
}

void TemplateDialog::OnCommand(int id, std::function<void()> handler) {
    handlers_[id] = std::move(handler);
}

void TemplateDialog::Command(int id) {
    const auto found = handlers_.find(id);
    if (found != handlers_.end() && found->second) {
        // A copy: the handler may replace itself.
        const std::function<void()> handler = found->second;
        handler();
    }
}

void TemplateDialog::SetControlText(int id, const QString& text) {
    QWidget* widget = Control(id);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(text);
    }
}

QString TemplateDialog::ControlText(int id) const {
    QWidget* widget = Control(id);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return button->text();
    }
    if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        return group->title();
    }
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        return edit->text();
    }
    return {};
}

void TemplateDialog::accept() {
    Command(kIdOk);
}

void TemplateDialog::reject() {
    Command(kIdCancel);
}

}  // namespace vyr
