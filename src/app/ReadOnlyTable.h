// The tables of the Run's result and preview windows: text cells that cannot be edited, chosen a
// whole row at a time, under named columns and without row numbers.
#pragma once

#include <QString>

#include <cstddef>
#include <type_traits>
#include <vector>

class QTableWidget;
class QWidget;

namespace gc {

// A table with `rowCount` empty rows under the columns `headers`.
QTableWidget* MakeReadOnlyTable(int rowCount, const char* const* headers, int columnCount, QWidget* parent);

template <std::size_t N>
QTableWidget* MakeReadOnlyTable(int rowCount, const char* const (&headers)[N], QWidget* parent) {
    return MakeReadOnlyTable(rowCount, headers, static_cast<int>(N), parent);
}

// Sets the cells of row r, column c to `cells[c]` of `rows[r]`, as many rows as given.
void FillReadOnlyTable(QTableWidget& table, const QString* const* rows, int rowCount, int columnCount);

// The same for rows that hold their texts in an array `cells`.
template <typename Row> void FillReadOnlyTable(QTableWidget& table, const std::vector<Row>& rows) {
    std::vector<const QString*> cells;
    cells.reserve(rows.size());
    for (const Row& row : rows)
        cells.push_back(row.cells);
    FillReadOnlyTable(table, cells.data(), static_cast<int>(cells.size()),
                      static_cast<int>(std::extent_v<decltype(Row::cells)>));
}

} // namespace gc
