#pragma once

#include "results/result_table.h"

#include <QAbstractTableModel>
#include <QList>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <map>
#include <vector>

namespace korvath {

// The result table as the window's results tab shows it: the results file's columns, one row per
// ad in the order the ads were shown, or sorted by a column on request. Rows that the job appends
// are taken in batches on a timer, so the view lays out and repaints once per batch, not once per
// ad; rows that arrive after a sort go below the sorted ones until the next sort.
//
// With several workers a task's rows wait for the earlier tasks before they enter the table, so
// the model also shows rows walked but not yet in it; when their task enters the table, the
// table's rows take their places.
class ResultsTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit ResultsTableModel(QObject* parent = nullptr, std::chrono::milliseconds batchInterval =
                                                            std::chrono::milliseconds(250));

  // `table` (the running job's, alive until the next job starts) has grown. The rows are shown
  // with the next batch.
  void RowsAppended(const ResultTable& table);
  // Rows of task `task` of the job that owns `table`, walked but not yet appended to it.
  void RowsWalked(const ResultTable& table, int task, const QList<ResultRow>& rows);
  // Every row of `task` has just been appended to `table`: they stand where its walked rows
  // stood, and any beyond those go below.
  void TaskRowsAppended(const ResultTable& table, int task);
  // Shows the rows appended since the last batch now.
  void TakePendingRows();
  // Before the job that owns the table is let go: keeps showing its rows from a copy of its own.
  void KeepOwnCopy();

  // The address that a site or e-mail cell leads to; empty for any other cell.
  QUrl LinkAt(const QModelIndex& index) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void sort(int column, Qt::SortOrder order) override;

 signals:
  // The number of rows shown has changed.
  void rowsShown(int rows);

 private:
  // A shown row: a table row (0, 1, ...) or a walked row (-1 for walked_'s first, -2, ...).
  using Entry = qsizetype;
  static Entry WalkedEntry(qsizetype walkedRow) { return -1 - walkedRow; }

  // A new job's table replaces the last one's rows.
  void FollowTable(const ResultTable& table);
  void SchedulePending(Entry entry);
  QString Field(Entry entry, int column) const;
  // One index per table row and walked row, for sorting.
  qsizetype Slot(Entry entry) const;

  const ResultTable* table_ = nullptr;
  ResultTable ownCopy_;
  // Rows of tasks not yet in the table, as they were walked.
  ResultTable walked_;
  std::map<int, std::vector<qsizetype>> walkedOfTask_;
  // Table rows already shown or waiting for the next batch.
  qsizetype tableRowsTaken_ = 0;
  std::vector<Entry> order_;
  std::vector<Entry> pending_;
  QTimer batchTimer_;
};

}  // namespace korvath
