// Message boxes and file dialogs shown with Qt's own dialogs, modally.
#include "platform/dialogs/qt_prompts.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace vyr {
namespace {

QMessageBox::Icon IconOf(PromptIcon icon) {
    switch (icon) {
        case PromptIcon::kInformation:
            return QMessageBox::Information;
        case PromptIcon::kWarning:
            return QMessageBox::Warning;
        case PromptIcon::kError:
            return QMessageBox::Critical;
        case PromptIcon::kQuestion:
            return QMessageBox::Question;
        case PromptIcon::kNone:
            break;
    }
    return QMessageBox::NoIcon;
}

QString StartPath(const FilePrompt& prompt) {
    if (prompt.folder.isEmpty()) {
        return prompt.fileName;
    }
    return QDir(prompt.folder).filePath(prompt.fileName);
}

}  // namespace

PromptAnswer QtPrompts::ShowMessage(QWidget* owner, const MessagePrompt& prompt) {
    QMessageBox box(IconOf(prompt.icon), prompt.caption, prompt.text, QMessageBox::NoButton, owner);
    switch (prompt.buttons) {
        case PromptButtons::kOk:
            box.setStandardButtons(QMessageBox::Ok);
            box.setEscapeButton(QMessageBox::Ok);
            break;
        case PromptButtons::kOkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case PromptButtons::kYesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setEscapeButton(QMessageBox::No);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Ok:
            return PromptAnswer::kOk;
        case QMessageBox::Yes:
            return PromptAnswer::kYes;
        case QMessageBox::No:
            return PromptAnswer::kNo;
        default:
            return prompt.buttons == PromptButtons::kOk ? PromptAnswer::kOk : PromptAnswer::kCancel;
    }
}

QString QtPrompts::AskSaveFileName(QWidget* owner, const FilePrompt& prompt) {
    return QFileDialog::getSaveFileName(owner, prompt.caption, StartPath(prompt), prompt.filter);
}

QString QtPrompts::AskOpenFileName(QWidget* owner, const FilePrompt& prompt) {
    return QFileDialog::getOpenFileName(owner, prompt.caption, StartPath(prompt), prompt.filter);
}

QString QtPrompts::AskFolder(QWidget* owner, const FilePrompt& prompt) {
    return QFileDialog::getExistingDirectory(owner, prompt.caption, prompt.folder);
}

}  // namespace vyr
