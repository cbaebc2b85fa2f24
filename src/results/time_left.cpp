#include "results/time_left.h"

namespace korvath {

QString TimeLeftText(std::chrono::milliseconds elapsed, int tasksDone, int tasksTotal) {
  if (tasksDone <= 0 || tasksDone >= tasksTotal || elapsed.count() < 0) return {};
  const double perTask = double(elapsed.count()) / tasksDone;
  const double leftMs = perTask * (tasksTotal - tasksDone);
  const long long minutes = static_cast<long long>(leftMs / 60000.0 + 0.5);
  if (minutes < 1) return u"до конца меньше минуты"_qs;
  const long long hours = minutes / 60;
  const long long rest = minutes % 60;
  QString text = u"до конца ≈"_qs;
  if (hours > 0) text += u" %1 ч"_qs.arg(hours);
  if (rest > 0) text += u" %1 мин"_qs.arg(rest);
  return text;
}

}  // namespace korvath
