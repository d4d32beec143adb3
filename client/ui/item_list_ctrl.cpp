#include "client/ui/item_list_ctrl.h"

#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>

namespace ui {
namespace {

// Roles of the per-cell progress data.
constexpr int kProgressRole = Qt::UserRole + 1;      // int 0-100, absent: no bar
constexpr int kFormatRole = Qt::UserRole + 2;        // QString, absent: "%d%%"
constexpr int kHideTextRole = Qt::UserRole + 3;      // bool, true: no percentage

constexpr QColor kBarBackground{224, 224, 224};      // COLORREF 14737632

}  // namespace

void DownloadColumnWidths(int listWidth, int scrollBarWidth, int out[3]) {
  const int base = listWidth - scrollBarWidth - 2;
  out[0] = base * 10 / 20;
  out[1] = base * 6 / 20;
  out[2] = base * 5 / 20;
}

ItemListCtrl::ItemListCtrl(QWidget* parent) : QTableWidget(parent) {
  setShowGrid(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  verticalHeader()->hide();
  verticalHeader()->setMinimumSectionSize(kListRowHeight);
  verticalHeader()->setDefaultSectionSize(kListRowHeight);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
  setWordWrap(false);
  setItemDelegate(new ProgressCellDelegate(this));
}

void ItemListCtrl::SetColumns(const QStringList& captions) {
  setColumnCount(static_cast<int>(captions.size()));
  setHorizontalHeaderLabels(captions);
}

int ItemListCtrl::AddRow(const QString& text) {
  const int row = rowCount();
  insertRow(row);
  setRowHeight(row, kListRowHeight);
  SetCellText(row, 0, text);
  return row;
}

QTableWidgetItem* ItemListCtrl::Cell(int row, int column) {
  QTableWidgetItem* it = item(row, column);
  if (!it) {
    it = new QTableWidgetItem;
    it->setTextAlignment(Qt::AlignCenter);
    setItem(row, column, it);
  }
  return it;
}

void ItemListCtrl::SetCellText(int row, int column, const QString& text) {
  if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return;
  Cell(row, column)->setText(text);
}

QString ItemListCtrl::CellText(int row, int column) const {
  const QTableWidgetItem* it = item(row, column);
  return it ? it->text() : QString();
}

void ItemListCtrl::SetChecked(int row, bool checked) {
  if (row < 0 || row >= rowCount() || columnCount() == 0) return;
  Cell(row, 0)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

bool ItemListCtrl::IsChecked(int row) const {
  const QTableWidgetItem* it = item(row, 0);
  return it && it->checkState() == Qt::Checked;
}

void ItemListCtrl::SetProgress(int row, int column, int percent) {
  if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return;
  Cell(row, column)->setData(kProgressRole, qBound(0, percent, 100));
}

void ItemListCtrl::SetProgressFormat(int row, int column, const QString& format) {
  if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return;
  Cell(row, column)->setData(kFormatRole, format);
}

void ItemListCtrl::SetProgressTextShown(int row, int column, bool shown) {
  if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return;
  Cell(row, column)->setData(kHideTextRole, !shown);
}

int ItemListCtrl::Progress(int row, int column) const {
  const QTableWidgetItem* it = item(row, column);
  if (!it) return -1;
  QVariant v = it->data(kProgressRole);
  return v.isValid() ? v.toInt() : -1;
}

void ItemListCtrl::ScrollDownOneRow() {
  QScrollBar* bar = verticalScrollBar();
  // Per item, one step is one row; per pixel, one row is its height.
  bar->setValue(bar->value() + (verticalScrollMode() == QAbstractItemView::ScrollPerItem ? 1 : kListRowHeight));
}

void ProgressCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
  const QVariant progress = index.data(kProgressRole);
  if (!progress.isValid()) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  const int value = progress.toInt();
  const QPalette& pal = option.palette;
  // The bar leaves 5 pixels above, 1 on the left and 1 below the cell edge.
  const QRect bar = option.rect.adjusted(1, 5, 0, -1);
  painter->save();
  painter->fillRect(bar, kBarBackground);
  painter->setPen(pal.color(QPalette::Dark));
  painter->drawRect(bar.adjusted(0, 0, -1, -1));
  const int filled = (bar.width() - 1) * value / 100;
  const QRect done(bar.left(), bar.top(), filled, bar.height());
  if (value > 0) painter->fillRect(done, pal.color(QPalette::Highlight));

  if (!index.data(kHideTextRole).toBool()) {
    QString format = index.data(kFormatRole).toString();
    // The format follows printf: "%d" is the value, "%%" a percent sign.
    if (format.isEmpty()) format = QStringLiteral("%d%%");
    QString text = format.replace(QLatin1String("%d"), QString::number(value))
                       .replace(QLatin1String("%%"), QLatin1String("%"));
    const int flags = Qt::AlignCenter | Qt::TextSingleLine;
    // Over the filled part the text takes the highlight-text colour, over
    // the rest the normal text colour: each half through its own clip.
    painter->setFont(option.font);
    painter->setClipRect(done);
    painter->setPen(pal.color(QPalette::HighlightedText));
    painter->drawText(bar, flags, text);
    painter->setClipRect(QRect(done.right() + 1, bar.top(), bar.width() - filled, bar.height()));
    painter->setPen(pal.color(QPalette::Text));
    painter->drawText(bar, flags, text);
  }
  painter->restore();
}

}  // namespace ui
