#include "ui/results_table_model.h"

#include "results/csv_rows.h"
#include "results/workbook_links.h"

#include <QColor>

#include <algorithm>
#include <limits>
#include <unordered_map>

namespace korvath {
namespace {

enum Column { kPosition = 2, kSite = 5, kEmail = 12 };

// A walked row whose task entered the table with fewer rows.
constexpr qsizetype kGone = std::numeric_limits<qsizetype>::min();

}  // namespace

ResultsTableModel::ResultsTableModel(QObject* parent, std::chrono::milliseconds batchInterval)
    : QAbstractTableModel(parent) {
  batchTimer_.setSingleShot(true);
  batchTimer_.setInterval(batchInterval);
  connect(&batchTimer_, &QTimer::timeout, this, &ResultsTableModel::TakePendingRows);
}

void ResultsTableModel::FollowTable(const ResultTable& table) {
  if (&table == table_) return;
  beginResetModel();
  table_ = &table;
  ownCopy_ = {};
  walked_ = {};
  walkedOfTask_.clear();
  tableRowsTaken_ = 0;
  order_.clear();
  pending_.clear();
  endResetModel();
  emit rowsShown(0);
}

void ResultsTableModel::SchedulePending(Entry entry) {
  pending_.push_back(entry);
  if (!batchTimer_.isActive()) batchTimer_.start();
}

void ResultsTableModel::RowsAppended(const ResultTable& table) {
  FollowTable(table);
  for (; tableRowsTaken_ < table.RowCount(); ++tableRowsTaken_) SchedulePending(tableRowsTaken_);
}

void ResultsTableModel::RowsWalked(const ResultTable& table, int task,
                                   const QList<ResultRow>& rows) {
  FollowTable(table);
  std::vector<qsizetype>& ofTask = walkedOfTask_[task];
  for (const ResultRow& row : rows) {
    walked_.Append(row);
    ofTask.push_back(walked_.RowCount() - 1);
    SchedulePending(WalkedEntry(walked_.RowCount() - 1));
  }
}

void ResultsTableModel::TaskRowsAppended(const ResultTable& table, int task) {
  FollowTable(table);
  std::vector<qsizetype> walked;
  if (const auto found = walkedOfTask_.find(task); found != walkedOfTask_.end()) {
    walked = std::move(found->second);
    walkedOfTask_.erase(found);
  }
  const qsizetype first = tableRowsTaken_;
  const qsizetype count = table.RowCount() - first;
  tableRowsTaken_ = table.RowCount();
  std::unordered_map<Entry, Entry> replacement;
  for (std::size_t k = 0; k < walked.size(); ++k)
    replacement[WalkedEntry(walked[k])] = qsizetype(k) < count ? first + qsizetype(k) : kGone;

  for (Entry& entry : pending_) {
    if (const auto found = replacement.find(entry); found != replacement.end())
      entry = found->second;
  }
  std::erase(pending_, kGone);
  int changedFirst = -1;
  int changedLast = -1;
  for (std::size_t place = order_.size(); place-- > 0;) {
    const auto found = replacement.find(order_[place]);
    if (found == replacement.end()) continue;
    if (found->second == kGone) {
      beginRemoveRows({}, int(place), int(place));
      order_.erase(order_.begin() + qsizetype(place));
      endRemoveRows();
      emit rowsShown(int(order_.size()));
      continue;
    }
    order_[place] = found->second;
    changedFirst = int(place);
    if (changedLast < 0) changedLast = int(place);
  }
  if (changedFirst >= 0)
    emit dataChanged(index(changedFirst, 0), index(changedLast, kCsvColumnCount - 1));
  for (qsizetype row = first + qsizetype(walked.size()); row < first + count; ++row)
    SchedulePending(row);
}

void ResultsTableModel::TakePendingRows() {
  batchTimer_.stop();
  if (pending_.empty()) return;
  const int shown = int(order_.size());
  beginInsertRows({}, shown, shown + int(pending_.size()) - 1);
  order_.insert(order_.end(), pending_.begin(), pending_.end());
  pending_.clear();
  endInsertRows();
  emit rowsShown(int(order_.size()));
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
  if (!index.isValid() || std::size_t(index.row()) >= order_.size() ||
      (index.column() != kSite && index.column() != kEmail))
    return {};
  const QString text = Field(order_[std::size_t(index.row())], index.column());
  const QString target = index.column() == kSite ? SiteLinkTarget(text) : EmailLinkTarget(text);
  return target.isEmpty() ? QUrl() : QUrl(target);
}

int ResultsTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(order_.size());
}

int ResultsTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kCsvColumnCount;
}

QString ResultsTableModel::Field(Entry entry, int column) const {
  if (entry >= 0) return DeriveCsvRow(*table_, entry, CsvFile::Results)[column];
  return DeriveCsvRow(walked_, -1 - entry, CsvFile::Results)[column];
}

qsizetype ResultsTableModel::Slot(Entry entry) const {
  return entry >= 0 ? entry : table_->RowCount() - 1 - entry;
}

QVariant ResultsTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || std::size_t(index.row()) >= order_.size()) return {};
  if (role == Qt::DisplayRole) return Field(order_[std::size_t(index.row())], index.column());
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
  const std::size_t slotCount = std::size_t(table_->RowCount() + walked_.RowCount());
  std::vector<QString> keys(slotCount);
  for (Entry entry : order_) keys[std::size_t(Slot(entry))] = Field(entry, column);
  // Positions are numbers: 10 comes after 9.
  const auto less = [&](Entry a, Entry b) {
    const QString& left = keys[std::size_t(Slot(a))];
    const QString& right = keys[std::size_t(Slot(b))];
    if (column == kPosition && left.size() != right.size()) return left.size() < right.size();
    return left.compare(right, Qt::CaseInsensitive) < 0;
  };
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  std::vector<Entry> entries;
  for (const QModelIndex& index : before) entries.push_back(order_[std::size_t(index.row())]);
  if (order == Qt::AscendingOrder) {
    std::stable_sort(order_.begin(), order_.end(), less);
  } else {
    std::stable_sort(order_.begin(), order_.end(), [&](Entry a, Entry b) { return less(b, a); });
  }
  // Selections and the current cell follow their rows to the new places.
  std::vector<int> placeOf(slotCount, -1);
  for (std::size_t place = 0; place < order_.size(); ++place)
    placeOf[std::size_t(Slot(order_[place]))] = int(place);
  QModelIndexList after;
  for (qsizetype i = 0; i < before.size(); ++i)
    after.append(index(placeOf[std::size_t(Slot(entries[std::size_t(i)]))], before[i].column()));
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace korvath
