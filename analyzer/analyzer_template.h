// Template 131, the analyzer window, and its captions in the six languages.
#pragma once

#include "platform/dialogs/dialog_template.h"

namespace vyr {

class TemplateDialog;

const DialogTemplate& AnalyzerTemplate();

// Sets the captions of Save, Transformation, Image mark and Reset for languages 0 to 5; any other
// index sets none, so the template's captions stay. R, G, B and the close button keep theirs in
// every language.
void ApplyAnalyzerTexts(TemplateDialog& window, int languageIndex);

}  // namespace vyr
