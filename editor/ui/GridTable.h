#pragma once
// The string grids of the editor's dialogs, the skin's grid: the grid's fixed heading row is the
// table's header, the other rows are items that are shown, not edited in place (pickers that
// float over a cell edit it). Grid rows count the heading row: grid row r is table row r - 1.
#include <functional>
#include <string>

#include "skin/SkinGrid.h"

namespace editor::ui {

class TGridTable : public skin::TskStringGrid {
 public:
  static constexpr int DefaultRowHeight = 24;

  // `gridRows` counts the heading row. With `fixedFirstColumn` the first column is drawn as a
  // fixed column (headings of the rows).
  TGridTable(QWidget* parent, const char* name, int cols, int gridRows, bool fixedFirstColumn);

  // Headings and cells from the grid's texts (GBK), by grid column and row.
  void ShowTexts(const std::function<const std::string&(int col, int row)>& cell);
  // The cell's rectangle in the viewport, by grid column and row.
  QRect CellRect(int col, int gridRow) const;
  // The size that shows every column, and `rows` rows under the header.
  int ColumnsWidth() const;
  int RowsHeight(int rows) const;

 private:
  int gridRows_;
  bool fixedFirstColumn_;
};

}  // namespace editor::ui
