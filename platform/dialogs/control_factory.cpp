// One widget per control kind. Buttons never become default by focus (only the template's default
// button answers Enter), radio buttons of their own group are not exclusive with their siblings,
// and editable combo boxes never add typed text to their items.
#include "platform/dialogs/control_factory.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <algorithm>
#include <vector>

namespace vyr {
namespace {

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QWidget* CreateWidget(const ControlTemplate& control, QWidget* parent) {
    const QString caption = Utf8(control.caption);
    switch (control.kind) {
        case ControlKind::kLabel: {
            auto* label = new QLabel(caption, parent);
            label->setWordWrap(true);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return label;
        }
        case ControlKind::kEdit: {
            auto* edit = new QLineEdit(caption, parent);
            edit->setFrame((control.style & kStyleBorder) != 0);
            return edit;
        }
        case ControlKind::kButton:
        case ControlKind::kDefaultButton: {
            auto* button = new QPushButton(caption, parent);
            button->setAutoDefault(false);
            button->setDefault(control.kind == ControlKind::kDefaultButton);
            return button;
        }
        case ControlKind::kGroupBox:
            return new QGroupBox(caption, parent);
        case ControlKind::kAutoRadio: {
            auto* radio = new QRadioButton(caption, parent);
            radio->setAutoExclusive((control.style & kStyleOwnGroup) == 0);
            return radio;
        }
        case ControlKind::kComboDropDown: {
            auto* combo = new QComboBox(parent);
            combo->setEditable(true);
            combo->setInsertPolicy(QComboBox::NoInsert);
            std::vector<QString> items;
            for (std::string_view item : control.items) {
                items.push_back(Utf8(item));
            }
            if ((control.style & kStyleSorted) != 0) {
                std::sort(items.begin(), items.end());
            }
            for (const QString& item : items) {
                combo->addItem(item);
            }
            combo->setCurrentIndex(-1);
            return combo;
        }
        case ControlKind::kListReport: {
            auto* list = new QTableWidget(parent);
            list->setEditTriggers(QAbstractItemView::NoEditTriggers);
            list->verticalHeader()->setVisible(false);
            list->setFrameShape((control.style & kStyleBorder) != 0 ? QFrame::StyledPanel
                                                                    : QFrame::NoFrame);
            return list;
        }
    }
    return new QWidget(parent);
}

}  // namespace

QWidget* CreateControl(const ControlTemplate& control, const TemplateFont& font, QWidget* parent) {
    QWidget* widget = CreateWidget(control, parent);
    QRect rect = DluToPixels(control.rect, font);
    if (control.kind == ControlKind::kComboDropDown) {
        rect.setHeight(widget->sizeHint().height());
    }
    widget->setGeometry(rect);
    widget->setEnabled((control.style & kStyleDisabled) == 0);
    widget->setHidden((control.style & kStyleHidden) != 0);
    return widget;
}

}  // namespace vyr
