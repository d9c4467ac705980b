// The Prompts seam: every message box, file dialog and folder dialog of the program goes through
// it, so that the program shows real dialogs and tests answer them without a person (see testing/).
#pragma once

#include <QString>

class QWidget;

namespace vyr {

enum class PromptIcon { kNone, kInformation, kWarning, kError, kQuestion };
enum class PromptButtons { kOk, kOkCancel, kYesNo };
enum class PromptAnswer { kOk, kCancel, kYes, kNo };

struct MessagePrompt {
    QString text;
    QString caption;
    PromptIcon icon = PromptIcon::kNone;
    PromptButtons buttons = PromptButtons::kOk;
};

struct FilePrompt {
    QString caption;
    QString folder;    // where the dialog starts
    QString fileName;  // suggested name
    QString filter;    // e.g. "PDF files (*.pdf)"
};

class Prompts {
public:
    virtual ~Prompts() = default;
    // A modal message box; owner may be null (a box without an owner window). Returns the button
    // pressed; closing the box answers Cancel, No or OK, the first the box has of these.
    virtual PromptAnswer ShowMessage(QWidget* owner, const MessagePrompt& prompt) = 0;
    // The chosen file's path, or an empty string when the user cancels.
    virtual QString AskSaveFileName(QWidget* owner, const FilePrompt& prompt) = 0;
    virtual QString AskOpenFileName(QWidget* owner, const FilePrompt& prompt) = 0;
    // An existing folder chosen by the user (caption and folder of the prompt are used), or an
    // empty string when the user cancels.
    virtual QString AskFolder(QWidget* owner, const FilePrompt& prompt) = 0;
};

}  // namespace vyr
