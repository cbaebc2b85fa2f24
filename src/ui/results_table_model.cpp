#include "ui/results_table_model.h"

#include "results/csv_rows.h"
#include "results/workbook_links.h"

#include <QColor>

#include <algorithm>

namespace korvath {
namespace {

enum Column { kPosition = 2, kSite = 5, kEmail = 12 };

}  // namespace

ResultsTableModel::ResultsTableModel(QObject* parent, std::chrono::milliseconds batchInterval)
    : QAbstractTableModel(parent) {
  batchTimer_.setSingleShot(true);
  batchTimer_.setInterval(batchInterval);
  connect(&batchTimer_, &QTimer::timeout, this, &ResultsTableModel::TakePendingRows);
}

void ResultsTableModel::RowsAppended(const ResultTable& table) {
  if (&table != table_) {
    // A new job: its rows replace the last job's.
    beginResetModel();
    table_ = &table;
    ownCopy_ = {};
    order_.clear();
    endResetModel();
    emit rowsShown(0);
  }
  if (!batchTimer_.isActive()) batchTimer_.start();
}

void ResultsTableModel::TakePendingRows() {
  batchTimer_.stop();
  const qsizetype rows = table_ ? table_->RowCount() : 0;
  const qsizetype shown = qsizetype(order_.size());
  if (rows <= shown) return;
  beginInsertRows({}, int(shown), int(rows - 1));
  for (qsizetype row = shown; row < rows; ++row) order_.push_back(row);
  endInsertRows();
  emit rowsShown(int(rows));
}

void ResultsTableModel::KeepOwnCopy() {
  if (!table_ || table_ == &ownCopy_) return;
  TakePendingRows();
  // The lists share their texts with the job's: the copy costs nothing, and the job appends no
  // more.
  ownCopy_ = *table_;
  table_ = &ownCopy_;
}

QUrl ResultsTableModel::LinkAt(const QModelIndex& index) const {
  if (!index.isValid() || (index.column() != kSite && index.column() != kEmail)) return {};
  const QString text = Field(index.row(), index.column());
  const QString target = index.column() == kSite ? SiteLinkTarget(text) : EmailLinkTarget(text);
  return target.isEmpty() ? QUrl() : QUrl(target);
}

int ResultsTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(order_.size());
}

int ResultsTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kCsvColumnCount;
}

QString ResultsTableModel::Field(int row, int column) const {
  return DeriveCsvRow(*table_, order_[std::size_t(row)], CsvFile::Results)[column];
}

QVariant ResultsTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || std::size_t(index.row()) >= order_.size()) return {};
  if (role == Qt::DisplayRole) return Field(index.row(), index.column());
  if (role == Qt::ForegroundRole && !LinkAt(index).isEmpty()) return QColor(Qt::blue);
  return {};
}

QVariant ResultsTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  if (section < 0 || section >= kCsvColumnCount) return {};
  return CsvHeader()[section];
}

void ResultsTableModel::sort(int column, Qt::SortOrder order) {
  if (column < 0 || column >= kCsvColumnCount || order_.empty()) return;
  TakePendingRows();
  std::vector<QString> keys(std::size_t(table_->RowCount()));
  for (qsizetype row : order_)
    keys[std::size_t(row)] = DeriveCsvRow(*table_, row, CsvFile::Results)[column];
  // Positions are numbers: 10 comes after 9.
  const auto less = [&](qsizetype a, qsizetype b) {
    const QString& left = keys[std::size_t(a)];
    const QString& right = keys[std::size_t(b)];
    if (column == kPosition && left.size() != right.size()) return left.size() < right.size();
    return left.compare(right, Qt::CaseInsensitive) < 0;
  };
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  std::vector<qsizetype> tableRows;
  for (const QModelIndex& index : before) tableRows.push_back(order_[std::size_t(index.row())]);
  if (order == Qt::AscendingOrder) {
    std::stable_sort(order_.begin(), order_.end(), less);
  } else {
    std::stable_sort(order_.begin(), order_.end(),
                     [&](qsizetype a, qsizetype b) { return less(b, a); });
  }
  // Selections and the current cell follow their rows to the new places.
  std::vector<int> placeOf(std::size_t(table_->RowCount()), -1);
  for (std::size_t place = 0; place < order_.size(); ++place)
    placeOf[std::size_t(order_[place])] = int(place);
  QModelIndexList after;
  for (qsizetype i = 0; i < before.size(); ++i)
    after.append(index(placeOf[std::size_t(tableRows[std::size_t(i)])], before[i].column()));
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace korvath
