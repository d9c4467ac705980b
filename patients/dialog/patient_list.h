// The patient list of the patient dialog: five centred columns "No", "Name", "Age", "Gender",
// "Tel" and one row per patient record.
#pragma once

#include "patients/store/patient_record.h"

class QTableWidget;

namespace vyr {

// Columns in display order.
enum PatientColumn { kColumnNo = 0, kColumnName, kColumnAge, kColumnGender, kColumnTel };

// Grid lines, whole-row selection and the five columns with their pixel widths.
void SetUpPatientList(QTableWidget* list);
// Appends a row: its number (rows counted from 1), name, age, gender as a number (0 or 1, not a
// word) and TEL; then scrolls the row before it into view.
void AppendPatientRow(QTableWidget* list, const PatientRecord& record);
// Removes every row.
void ClearPatientRows(QTableWidget* list);
// The first selected row, or -1.
int FirstSelectedRow(const QTableWidget* list);

}  // namespace vyr
