#include "ui/log_tabs.h"

#include <QHeaderView>
#include <QPlainTextEdit>
#include <QTableView>

namespace korvath {

LogTabs::LogTabs(QPlainTextEdit* logsMemo, UrlOpener openUrl, QWidget* parent)
    : QTabWidget(parent),
      results_(this),
      view_(new QTableView(this)),
      openUrl_(std::move(openUrl)) {
  setObjectName(u"LogTabs"_qs);
  view_->setObjectName(u"ResultsView"_qs);
  view_->setModel(&results_);
  // Sorting waits for a click on a header: the rows stay in the order they entered until then.
  view_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  view_->setSortingEnabled(true);
  view_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  view_->horizontalHeader()->setDefaultSectionSize(140);
  // Rows of one height need no measuring as they arrive.
  view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view_->setWordWrap(false);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  addTab(logsMemo, u"Логи"_qs);
  addTab(view_, QString());
  ShowCount(0);
  connect(&results_, &ResultsTableModel::rowsShown, this, &LogTabs::ShowCount);
  connect(view_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
    if (const QUrl url = results_.LinkAt(index); !url.isEmpty()) openUrl_(url);
  });
}

void LogTabs::ShowCount(int rows) { setTabText(1, u"Результаты (%1)"_qs.arg(rows)); }

}  // namespace korvath
