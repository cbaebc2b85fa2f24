#include "results/job_status_text.h"

#include <gtest/gtest.h>

namespace korvath {
namespace {

using std::chrono::minutes;

const QDateTime kNow(QDate(2026, 12, 10), QTime(14, 0, 0));

struct TextCase {
  const char* name;
  JobPhase phase;
  int workers;
  QDateTime blockWaitUntil;
  QString line;
  QString regionsHint;
  QString stagesHint;
};

class JobStatusTextOf : public testing::TestWithParam<TextCase> {};

// Query 2 of 4 lines, region 3 of 5; 5 of 20 tasks in 10 minutes.
TEST_P(JobStatusTextOf, CountsWhatTheBarsCountAndSaysWhetherTheJobMoves) {
  const TextCase& c = GetParam();
  JobView view;
  view.status = {1, 3, 5, 20, 120, 340, 2, minutes(10), c.blockWaitUntil, c.workers, {}};
  view.regions = {3, 5};
  view.stages = {2, 4};
  view.phase = c.phase;
  view.now = kNow;
  const JobTexts texts = JobStatusTexts(view);
  EXPECT_EQ(texts.line, c.line);
  EXPECT_EQ(texts.regionsHint, c.regionsHint);
  EXPECT_EQ(texts.stagesHint, c.stagesHint);
}

const QString kCounts = u"строк 120 · обращений 340 · блокировок 2"_qs;
const QString kRegions = u"Регионы текущего запроса, начатые\n3 из 5, осталось 2"_qs;
const QString kStages = u"Запросы, начатые (из строк списка запросов)\n2 из 4, осталось 2"_qs;
const QString kLeft = u"\nДо конца ≈ 30 мин"_qs;
const QDateTime kLater = kNow.addSecs(65);

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, JobStatusTextOf, testing::Values(
    TextCase{"Running", JobPhase::Running, 1, {},
             u"Запрос 2 из 4 · регион 3 из 5 · "_qs + kCounts + u" · до конца ≈ 30 мин"_qs,
             kRegions + kLeft, kStages + kLeft},
    TextCase{"WaitingOutABlock", JobPhase::Running, 1, kLater,
             u"Запрос 2 из 4 · регион 3 из 5 · "_qs + kCounts +
                 u" · до конца ≈ 30 мин · блокировка, следующая попытка в 14:01:05"_qs,
             kRegions + kLeft, kStages + kLeft},
    TextCase{"BlockWaitOver", JobPhase::Running, 1, kNow,
             u"Запрос 2 из 4 · регион 3 из 5 · "_qs + kCounts + u" · до конца ≈ 30 мин"_qs,
             kRegions + kLeft, kStages + kLeft},
    TextCase{"Held", JobPhase::Held, 1, kLater,
             u"На паузе · запрос 2 из 4 · регион 3 из 5 · "_qs + kCounts, kRegions, kStages},
    TextCase{"Stopping", JobPhase::Stopping, 1, kLater,
             u"Останавливается · "_qs + kCounts, kRegions, kStages},
    TextCase{"Stopped", JobPhase::Stopped, 1, kLater,
             u"Сбор остановлен · "_qs + kCounts, kRegions, kStages},
    TextCase{"Ended", JobPhase::Ended, 1, {}, u"Сбор завершён · "_qs + kCounts, kRegions, kStages},
    TextCase{"Pooled", JobPhase::Running, 3, {},
             u"Потоков 3 · готово задач 3 из 5 · запросов 2 из 4 · "_qs + kCounts +
                 u" · до конца ≈ 30 мин"_qs,
             u"Задачи «запрос × регион», завершённые\n3 из 5, осталось 2"_qs + kLeft,
             u"Запросы, собранные полностью\n2 из 4, осталось 2"_qs + kLeft}),
    [](const auto& info) { return info.param.name; });
// clang-format on

}  // namespace
}  // namespace korvath
