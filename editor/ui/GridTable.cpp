#include "GridTable.h"

#include <QHeaderView>
#include <QScrollBar>

#include "editor/ui/QtText.h"

namespace editor::ui {

TGridTable::TGridTable(QWidget* parent, const char* name, int cols, int gridRows, bool fixedFirstColumn)
    : skin::TskStringGrid(gridRows - 1, cols, parent), gridRows_(gridRows), fixedFirstColumn_(fixedFirstColumn) {
  setObjectName(name);
  verticalHeader()->hide();
  verticalHeader()->setDefaultSectionSize(DefaultRowHeight);
  horizontalHeader()->setSectionsClickable(false);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  for (int row = 0; row < rowCount(); ++row) {
    for (int col = 0; col < cols; ++col) {
      auto* item = new QTableWidgetItem;
      if (fixedFirstColumn_ && col == 0) {
        item->setFlags(Qt::ItemIsEnabled);
        item->setBackground(palette().button());
      } else {
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
      }
      setItem(row, col, item);
    }
  }
}

void TGridTable::ShowTexts(const std::function<const std::string&(int col, int row)>& cell) {
  for (int col = 0; col < columnCount(); ++col) {
    const QString heading = QStringFromGbk(cell(col, 0));
    QTableWidgetItem* header = horizontalHeaderItem(col);
    if (!header) setHorizontalHeaderItem(col, header = new QTableWidgetItem);
    if (header->text() != heading) header->setText(heading);
    for (int row = 1; row < gridRows_; ++row) {
      const QString text = QStringFromGbk(cell(col, row));
      if (item(row - 1, col)->text() != text) item(row - 1, col)->setText(text);
    }
  }
}

QRect TGridTable::CellRect(int col, int gridRow) const { return visualRect(model()->index(gridRow - 1, col)); }

int TGridTable::ColumnsWidth() const {
  int width = 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
  for (int col = 0; col < columnCount(); ++col) width += columnWidth(col);
  return width;
}

int TGridTable::RowsHeight(int rows) const {
  return 2 * frameWidth() + horizontalHeader()->sizeHint().height() + rows * DefaultRowHeight;
}

}  // namespace editor::ui
