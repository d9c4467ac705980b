// Prompts for tests: answers are prepared in advance in two queues (message answers, file names)
// and every prompt is recorded, so a test can both steer a window and check what it asked.
#pragma once

#include <deque>
#include <vector>

#include "platform/dialogs/prompts.h"

namespace vyr::testing {

class ScriptedPrompts : public Prompts {
public:
    enum class Kind { kMessage, kSaveFile, kOpenFile, kFolder };
    struct Asked {
        Kind kind = Kind::kMessage;
        QWidget* owner = nullptr;
        MessagePrompt message;  // for kMessage
        FilePrompt file;        // for kSaveFile, kOpenFile and kFolder
    };

    // The next message box is answered with this.
    void QueueAnswer(PromptAnswer answer) { answers_.push_back(answer); }
    // The next file or folder dialog returns this path (empty: cancelled).
    void QueueFileName(const QString& path) { fileNames_.push_back(path); }

    const std::vector<Asked>& asked() const { return asked_; }
    // The texts of the message boxes shown so far, in order.
    std::vector<QString> MessageTexts() const;
    // Prompts that found no prepared answer: messages were closed (Cancel, No, or OK for a box
    // with OK alone) and file dialogs cancelled.
    int unanswered() const { return unanswered_; }

    PromptAnswer ShowMessage(QWidget* owner, const MessagePrompt& prompt) override;
    QString AskSaveFileName(QWidget* owner, const FilePrompt& prompt) override;
    QString AskOpenFileName(QWidget* owner, const FilePrompt& prompt) override;
    QString AskFolder(QWidget* owner, const FilePrompt& prompt) override;

private:
    QString NextFileName();

    std::deque<PromptAnswer> answers_;
    std::deque<QString> fileNames_;
    std::vector<Asked> asked_;
    int unanswered_ = 0;
};

}  // namespace vyr::testing
