// The main window's texts in the six languages (0 English, 1 Simplified Chinese, 2 Spanish,
// 3 Portuguese, 4 Italian, 5 Traditional Chinese). Any other index sets no text, so the template
// captions stay. Portuguese letters without a GBK form are literal question marks, as the program
// has always shown them.
#pragma once

#include <QString>

#include "patients/store/patient_record.h"

namespace vyr {

class TemplateDialog;

inline constexpr int kLanguageCount = 6;

// Whether an index has its own texts (0 to 5).
bool HasMainTexts(int languageIndex);

// Sets, in this order, the multi-selection button (off), Exit, Record (idle), Player, System
// Management, Video, Photo Management, Compare back, the TEL, age and name labels with the
// patient's fields, the gender label, Capture, Delete, Compare, the description label and the
// report button. Nothing for an index outside 0 to 5.
void ApplyMainTexts(TemplateDialog& window, int languageIndex, const PatientRecord& patient);

// The Record button: "Recording..." or "Record", Chinese for indices 1 and 5 and English for every
// other index, inside 0 to 5 or not.
QString RecordButtonText(int languageIndex, bool isRecording);

// The multi-selection button, on or off; empty outside 0 to 5.
QString MultiSelectionText(int languageIndex, bool isOn);

}  // namespace vyr
