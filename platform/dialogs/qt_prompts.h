// The Prompts of the running program: QMessageBox and QFileDialog.
#pragma once

#include "platform/dialogs/prompts.h"

namespace vyr {

class QtPrompts : public Prompts {
public:
    PromptAnswer ShowMessage(QWidget* owner, const MessagePrompt& prompt) override;
    QString AskSaveFileName(QWidget* owner, const FilePrompt& prompt) override;
    QString AskOpenFileName(QWidget* owner, const FilePrompt& prompt) override;
    QString AskFolder(QWidget* owner, const FilePrompt& prompt) override;
};

}  // namespace vyr
