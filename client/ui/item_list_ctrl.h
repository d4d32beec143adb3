#pragma once
// ItemListCtrl: the report-style list of the start and download pages, with
// grid lines, whole-row selection, 20-pixel rows, and cells that can show a
// progress bar with the percentage printed in two colours.

#include <QTableWidget>
#include <QStyledItemDelegate>

namespace ui {

inline constexpr int kListRowHeight = 20;

/// Column widths of the download list: 10, 6 and 5 twentieths of
/// (list width - scroll bar width - 2).
void DownloadColumnWidths(int listWidth, int scrollBarWidth, int out[3]);

class ItemListCtrl : public QTableWidget {
  Q_OBJECT

 public:
  explicit ItemListCtrl(QWidget* parent = nullptr);

  /// Sets the header captions; every column's header and cells are centred.
  void SetColumns(const QStringList& captions);
  /// Appends a row with column 0 = text; returns its index.
  int AddRow(const QString& text);
  void SetCellText(int row, int column, const QString& text);
  QString CellText(int row, int column) const;
  /// Row check box (column 0).
  void SetChecked(int row, bool checked);
  bool IsChecked(int row) const;

  /// Shows a progress bar of percent (0-100) in the cell.
  void SetProgress(int row, int column, int percent);
  /// Text printed in the bar instead of "%d%%" ("%d" is replaced by the value).
  void SetProgressFormat(int row, int column, const QString& format);
  /// Whether the percentage is printed in the bar.
  void SetProgressTextShown(int row, int column, bool shown);
  /// -1 when the cell shows no bar.
  int Progress(int row, int column) const;
  /// Scrolls the rows up by one row height (kListRowHeight pixels).
  void ScrollDownOneRow();

 private:
  QTableWidgetItem* Cell(int row, int column);
};

/// Paints the progress cells; every other cell as usual.
class ProgressCellDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
};

}  // namespace ui
