#include "results/time_left.h"
#include "results/job_status_text.h"

#include <gtest/gtest.h>

namespace korvath {
namespace {

using std::chrono::milliseconds;
using std::chrono::minutes;
using std::chrono::seconds;

struct TimeLeftCase {
  const char* name;
  milliseconds elapsed;
  int done;
  int total;
  QString text;
};

class TimeLeft : public testing::TestWithParam<TimeLeftCase> {};

TEST_P(TimeLeft, IsTheMeanPaceTimesTheTasksLeft) {
  const TimeLeftCase& c = GetParam();
  EXPECT_EQ(TimeLeftText(c.elapsed, c.done, c.total), c.text);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, TimeLeft, testing::Values(
    TimeLeftCase{"NoneFinishedYet", minutes(30), 0, 10, u""_qs},
    TimeLeftCase{"AllFinished", minutes(30), 10, 10, u""_qs},
    TimeLeftCase{"HoursAndMinutes", minutes(10), 1, 14, u"осталось ≈ 2 ч 10 мин"_qs},
    TimeLeftCase{"WholeHours", minutes(30), 1, 5, u"осталось ≈ 2 ч"_qs},
    TimeLeftCase{"MinutesOnly", minutes(15), 3, 12, u"осталось ≈ 45 мин"_qs},
    TimeLeftCase{"RoundedToTheNearestMinute", seconds(89), 1, 2, u"осталось ≈ 1 мин"_qs},
    TimeLeftCase{"UnderHalfAMinute", seconds(29), 1, 2, u"осталось меньше минуты"_qs},
    TimeLeftCase{"DaysCountAsHours", minutes(60), 1, 51, u"осталось ≈ 50 ч"_qs}),
    [](const auto& info) { return info.param.name; });
// clang-format on

TEST(JobStatusText, SaysEveryCountTheTimeLeftAndABlocksEnd) {
  JobStatus status;
  status.queriesDone = 1;
  status.queriesTotal = 4;
  status.tasksDone = 5;
  status.tasksTotal = 20;
  status.rows = 120;
  status.requests = 340;
  status.blocks = 2;
  status.elapsed = minutes(10);
  const QString counts =
      u"Запросы 1/4 · регионы 3/5 · строк 120 · запросов 340 · блокировок 2 · осталось ≈ 30 мин"_qs;
  EXPECT_EQ(JobStatusText(status, 3, 5), counts);
  status.blockWaitUntil = QDateTime(QDate(2026, 12, 10), QTime(14, 5, 0));
  EXPECT_EQ(JobStatusText(status, 3, 5),
            counts + u" · блокировка, следующая попытка в 14:05:00"_qs);
  status.tasksDone = 0;
  EXPECT_FALSE(JobStatusText(status, 0, 5).contains(u"осталось"));
}

}  // namespace
}  // namespace korvath
