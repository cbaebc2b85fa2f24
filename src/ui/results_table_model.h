#pragma once

#include "results/result_table.h"

#include <QAbstractTableModel>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <vector>

namespace korvath {

// The result table as the window's results tab shows it: the results file's columns, one row per
// ad in the order the ads entered, or sorted by a column on request. Rows that the job appends are
// taken in batches on a timer, so the view lays out and repaints once per batch, not once per ad;
// rows that arrive after a sort go below the sorted ones until the next sort.
class ResultsTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit ResultsTableModel(QObject* parent = nullptr, std::chrono::milliseconds batchInterval =
                                                            std::chrono::milliseconds(250));

  // `table` (the running job's, alive until the next job starts) has grown. The rows are shown
  // with the next batch.
  void RowsAppended(const ResultTable& table);
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
  QString Field(int row, int column) const;

  const ResultTable* table_ = nullptr;
  ResultTable ownCopy_;
  // The table row shown in each row of the model.
  std::vector<qsizetype> order_;
  QTimer batchTimer_;
};

}  // namespace korvath
