#include "engine/job_start.h"

#include <gtest/gtest.h>

namespace korvath {
namespace {

// The journal keeps its time in UTC; the user reads the wall clock.
TEST(InterruptedJob, TextSaysWhatWasDoneAndWhenItStoppedInLocalTime) {
  JournalSummary summary{3, 10, 240, QDateTime(QDate(2024, 3, 5), QTime(7, 4, 59)).toUTC()};
  EXPECT_EQ(InterruptedJobText(summary),
            u"Выполнено задач (запрос в регионе): 3 из 10, собрано строк: 240, сбор "
            u"остановлен 05.03.2024 07:04."_qs);
  summary.lastWrite = QDateTime();
  EXPECT_EQ(InterruptedJobText(summary),
            u"Выполнено задач (запрос в регионе): 3 из 10, собрано строк: 240."_qs);
}

}  // namespace
}  // namespace korvath
