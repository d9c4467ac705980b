// QTableWidget as a report-style list: read-only cells, centred text, no row header.
#include "patients/dialog/patient_list.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableWidget>
#include <array>

namespace vyr {
namespace {

struct Column {
    const char* title;
    int widthPixels;
};

constexpr std::array<Column, 5> kColumns = {{
    {"No", 50},
    {"Name", 200},
    {"Age", 50},
    {"Gender", 80},
    {"Tel", 170},
}};

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void SetCell(QTableWidget* list, int row, int column, const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    list->setItem(row, column, item);
}

}  // namespace

void SetUpPatientList(QTableWidget* list) {
    list->setShowGrid(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setColumnCount(static_cast<int>(kColumns.size()));
    for (int column = 0; column < static_cast<int>(kColumns.size()); ++column) {
        auto* header = new QTableWidgetItem(QString::fromLatin1(kColumns[column].title));
        header->setTextAlignment(Qt::AlignCenter);
        list->setHorizontalHeaderItem(column, header);
        list->setColumnWidth(column, kColumns[column].widthPixels);
    }
}

void AppendPatientRow(QTableWidget* list, const PatientRecord& record) {
    const int row = list->rowCount();
    list->insertRow(row);
    SetCell(list, row, kColumnNo, QString::number(row + 1));
    SetCell(list, row, kColumnTel, Utf8(record.Tel()));
    SetCell(list, row, kColumnName, Utf8(record.Name()));
    SetCell(list, row, kColumnGender, QString::number(record.gender));
    SetCell(list, row, kColumnAge, Utf8(record.Age()));
    if (row > 0) {
        list->scrollToItem(list->item(row - 1, kColumnNo));
    }
}

void ClearPatientRows(QTableWidget* list) {
    if (list->rowCount() > 0) {
        list->setRowCount(0);
    }
}

int FirstSelectedRow(const QTableWidget* list) {
    int first = -1;
    for (const QModelIndex& index : list->selectionModel()->selectedRows()) {
        if (first < 0 || index.row() < first) {
            first = index.row();
        }
    }
    return first;
}

}  // namespace vyr
