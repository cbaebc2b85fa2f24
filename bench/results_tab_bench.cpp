// The window's results tab while a job appends rows: the tab (shown, on whatever platform Qt is
// given, offscreen on a build machine) takes 100,000 rows the way the window gets them, one
// RowsAppended per row on the user-interface thread, with the event loop run between rows as the
// hand-offs do, and a batch taken in and painted every 1,000 rows (the timer's batch at a pace of
// 4,000 rows a second). Every 10,000 rows it prints the wall and CPU time of that stretch and the
// memory.
//
//   QT_QPA_PLATFORM=offscreen results_tab_bench [ROWS]
#include "process_stats.h"

#include "ui/log_tabs.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTableView>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>

int main(int argc, char* argv[]) {
  using namespace korvath;
  QApplication app(argc, argv);
  const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
  auto* log = new QPlainTextEdit;
  LogTabs tabs(log, [](const QUrl&) {});
  tabs.resize(1000, 400);
  tabs.setCurrentIndex(1);
  tabs.show();

  ResultTable table;
  std::printf("%8s %10s %10s %12s %12s %10s\n", "rows", "wall ms", "cpu ms", "wall/row us",
              "cpu/row us", "RSS KiB");
  auto start = std::chrono::steady_clock::now();
  double cpu = CpuMs();
  for (int i = 1; i <= rows; ++i) {
    table.Append({u"пластиковые окна"_qs, u"Москва"_qs, QString::number(i % 40 + 1),
                  u"Пластиковые окна от производителя — скидки до 40%"_qs,
                  u"Окна ПВХ под ключ. Замер бесплатно! Монтаж за 1 день."_qs,
                  u"okna-%1.ru"_qs.arg(i), u"Россия, Москва"_qs, u"info@okna-%1.ru"_qs.arg(i),
                  u"г. Москва, ул. Тверская, д. 1"_qs, u"ООО «Окна Плюс»"_qs,
                  u"+7 (495) 123-45-67"_qs});
    tabs.Results().RowsAppended(table);
    QCoreApplication::processEvents();
    if (i % 1000 == 0) {
      tabs.Results().TakePendingRows();
      tabs.ResultsView().scrollToBottom();
      tabs.ResultsView().viewport()->repaint();
    }
    if (i % 10000 == 0) {
      const std::chrono::duration<double, std::milli> wall =
          std::chrono::steady_clock::now() - start;
      const double cpuNow = CpuMs();
      std::printf("%8d %10.0f %10.0f %12.1f %12.1f %10ld\n", i, wall.count(), cpuNow - cpu,
                  wall.count() * 1000 / 10000, (cpuNow - cpu) * 1000 / 10000, StatusKb("VmRSS:"));
      std::fflush(stdout);
      start = std::chrono::steady_clock::now();
      cpu = cpuNow;
    }
  }
  tabs.Results().TakePendingRows();
  std::printf("shown %d rows\n", tabs.Results().rowCount());
  return 0;
}
