// What a person does to a template dialog, addressed by control id: clicking, typing, choosing a
// list row. Events go through QTest, so the controls' own signal paths run.
#pragma once

#include <QString>

namespace vyr {
class TemplateDialog;
}

namespace vyr::test {

// Left click on the control with this id.
void ClickControl(vyr::TemplateDialog& dialog, int id);
// Replaces the text of an edit box by typing it (characters of the Basic Multilingual Plane).
void TypeInto(vyr::TemplateDialog& dialog, int id, const QString& text);
// Left click on a row of the list with this id.
void ClickListRow(vyr::TemplateDialog& dialog, int listId, int row);
// The text of a list cell, empty when there is none.
QString ListCell(vyr::TemplateDialog& dialog, int listId, int row, int column);

}  // namespace vyr::test
