#include "ReadOnlyTable.h"

#include <QHeaderView>
#include <QTableWidget>

namespace gc {

QTableWidget* MakeReadOnlyTable(int rowCount, const char* const* headers, int columnCount, QWidget* parent) {
    auto* table = new QTableWidget(rowCount, columnCount, parent);
    QStringList labels;
    for (int c = 0; c < columnCount; ++c)
        labels << headers[c];
    table->setHorizontalHeaderLabels(labels);
    table->verticalHeader()->setVisible(false);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    return table;
}

void FillReadOnlyTable(QTableWidget& table, const QString* const* rows, int rowCount, int columnCount) {
    table.setRowCount(rowCount);
    for (int r = 0; r < rowCount; ++r)
        for (int c = 0; c < columnCount; ++c)
            table.setItem(r, c, new QTableWidgetItem(rows[r][c]));
}

} // namespace gc
