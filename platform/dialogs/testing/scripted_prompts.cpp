// Prepared answers, taken in order; a prompt without one counts as closed by the user.
#include "platform/dialogs/testing/scripted_prompts.h"

namespace vyr::testing {

std::vector<QString> ScriptedPrompts::MessageTexts() const {
    std::vector<QString> texts;
    for (const Asked& asked : asked_) {
        if (asked.kind == Kind::kMessage) {
            texts.push_back(asked.message.text);
        }
    }
    return texts;
}

PromptAnswer ScriptedPrompts::ShowMessage(QWidget* owner, const MessagePrompt& prompt) {
    asked_.push_back({Kind::kMessage, owner, prompt, {}});
    if (answers_.empty()) {
        ++unanswered_;
        switch (prompt.buttons) {
            case PromptButtons::kOk:
                return PromptAnswer::kOk;
            case PromptButtons::kOkCancel:
                return PromptAnswer::kCancel;
            case PromptButtons::kYesNo:
                return PromptAnswer::kNo;
        }
    }
    const PromptAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

QString ScriptedPrompts::AskSaveFileName(QWidget* owner, const FilePrompt& prompt) {
    asked_.push_back({Kind::kSaveFile, owner, {}, prompt});
    return NextFileName();
}

QString ScriptedPrompts::AskOpenFileName(QWidget* owner, const FilePrompt& prompt) {
    asked_.push_back({Kind::kOpenFile, owner, {}, prompt});
    return NextFileName();
}

QString ScriptedPrompts::AskFolder(QWidget* owner, const FilePrompt& prompt) {
    asked_.push_back({Kind::kFolder, owner, {}, prompt});
    return NextFileName();
}

QString ScriptedPrompts::NextFileName() {
    if (fileNames_.empty()) {
        ++unanswered_;
        return {};
    }
    QString name = fileNames_.front();
    fileNames_.pop_front();
    return name;
}

}  // namespace vyr::testing
