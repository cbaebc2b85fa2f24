#pragma once

#include "ui/results_table_model.h"

#include <QTabWidget>
#include <QUrl>

#include <functional>

class QPlainTextEdit;
class QTableView;

namespace korvath {

// Opens an address (a site, a "mailto:") in the desktop's application for it.
using UrlOpener = std::function<void(const QUrl& url)>;

// The window's log area: tab "Логи" holds the log box itself, tab "Результаты" the rows of the
// job as they enter, with their count in its title. A double click on a site or an e-mail opens it.
class LogTabs : public QTabWidget {
  Q_OBJECT

 public:
  LogTabs(QPlainTextEdit* logsMemo, UrlOpener openUrl, QWidget* parent = nullptr);

  ResultsTableModel& Results() { return results_; }
  QTableView& ResultsView() { return *view_; }

 private:
  void ShowCount(int rows);

  ResultsTableModel results_;
  QTableView* view_;
  UrlOpener openUrl_;
};

}  // namespace korvath
