// What a person does to a template dialog, addressed by control id: clicking, typing, choosing a
// list row. Events go through QTest, so the controls' own signal paths run.
#pragma once

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QString>
#include <QTableWidget>
#include <QTest>

#include "platform/dialogs/template_dialog.h"

namespace vyr::test {

// Left click on the control with this id.
inline void ClickControl(vyr::TemplateDialog& dialog, int id) {
    QWidget* control = dialog.Control(id);
    ASSERT_NE(control, nullptr) << "no control " << id;
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, control->rect().center());
}

// Replaces the text of an edit box by typing it (characters of the Basic Multilingual Plane).
inline void TypeInto(vyr::TemplateDialog& dialog, int id, const QString& text) {
    QLineEdit* edit = dialog.Edit(id);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(edit, c.toLatin1());
        } else {
            // QTest maps only ASCII characters to keys; other characters arrive as key events
            // that carry just their text, as an input method delivers them.
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
}

// Left click on a row of the list with this id.
inline void ClickListRow(vyr::TemplateDialog& dialog, int listId, int row) {
    QTableWidget* list = dialog.List(listId);
    QTableWidgetItem* item = list->item(row, 0);
    ASSERT_NE(item, nullptr) << "no row " << row;
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualItemRect(item).center());
}

// The text of a list cell, empty when there is none.
inline QString ListCell(vyr::TemplateDialog& dialog, int listId, int row, int column) {
    const QTableWidgetItem* item = dialog.List(listId)->item(row, column);
    return item == nullptr ? QString() : item->text();
}

// The captions of the controls with these ids, joined by '|': one string to compare with a row of
// a captions table.
inline QString Captions(vyr::TemplateDialog& dialog, std::initializer_list<int> ids) {
    QStringList captions;
    for (const int id : ids) {
        captions << dialog.ControlText(id);
    }
    return captions.join('|');
}

}  // namespace vyr::test
