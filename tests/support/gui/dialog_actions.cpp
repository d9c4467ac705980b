// Mouse and keyboard events delivered with QTest to the controls of a TemplateDialog.
#include "support/gui/dialog_actions.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTableWidget>
#include <QTest>

#include "platform/dialogs/template_dialog.h"

namespace vyr::test {

void ClickControl(vyr::TemplateDialog& dialog, int id) {
    QWidget* control = dialog.Control(id);
    ASSERT_NE(control, nullptr) << "no control " << id;
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, control->rect().center());
}

void TypeInto(vyr::TemplateDialog& dialog, int id, const QString& text) {
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

void ClickListRow(vyr::TemplateDialog& dialog, int listId, int row) {
    QTableWidget* list = dialog.List(listId);
    QTableWidgetItem* item = list->item(row, 0);
    ASSERT_NE(item, nullptr) << "no row " << row;
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualItemRect(item).center());
}

QString ListCell(vyr::TemplateDialog& dialog, int listId, int row, int column) {
    const QTableWidgetItem* item = dialog.List(listId)->item(row, column);
    return item == nullptr ? QString() : item->text();
}

}  // namespace vyr::test
