#include "results/time_left.h"

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
    TimeLeftCase{"HoursAndMinutes", minutes(10), 1, 14, u"до конца ≈ 2 ч 10 мин"_qs},
    TimeLeftCase{"WholeHours", minutes(30), 1, 5, u"до конца ≈ 2 ч"_qs},
    TimeLeftCase{"MinutesOnly", minutes(15), 3, 12, u"до конца ≈ 45 мин"_qs},
    TimeLeftCase{"RoundedToTheNearestMinute", seconds(89), 1, 2, u"до конца ≈ 1 мин"_qs},
    TimeLeftCase{"UnderHalfAMinute", seconds(29), 1, 2, u"до конца меньше минуты"_qs},
    TimeLeftCase{"DaysCountAsHours", minutes(60), 1, 51, u"до конца ≈ 50 ч"_qs}),
    [](const auto& info) { return info.param.name; });
// clang-format on

}  // namespace
}  // namespace korvath
