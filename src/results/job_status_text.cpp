#include "results/job_status_text.h"

#include "results/time_left.h"

namespace korvath {

QString JobStatusText(const JobStatus& status, int regionsBegun, int regionsTotal) {
  QString text = u"Запросы %1/%2 · регионы %3/%4 · строк %5 · запросов %6 · блокировок %7"_qs
                     .arg(status.queriesDone)
                     .arg(status.queriesTotal)
                     .arg(regionsBegun)
                     .arg(regionsTotal)
                     .arg(status.rows)
                     .arg(status.requests)
                     .arg(status.blocks);
  const QString left = TimeLeftText(status.elapsed, status.tasksDone, status.tasksTotal);
  if (!left.isEmpty()) text += u" · "_qs + left;
  if (status.blockWaitUntil.isValid())
    text +=
        u" · блокировка, следующая попытка в "_qs + status.blockWaitUntil.toString(u"HH:mm:ss"_qs);
  return text;
}

}  // namespace korvath
