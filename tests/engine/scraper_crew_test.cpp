#include <QFile>
#include <QRegularExpression>

#include <map>

#include "engine/scraper_tasks_fixture.h"
#include "results/handle_result.h"

namespace korvath::testing {
namespace {

using std::chrono::milliseconds;

const QByteArray kCaptchaPage =
    "<html><form method=\"POST\" action=\"/checkcaptcha\"><input type=checkbox></form></html>";

// The job of ScraperTasksTest through a pool of proxies, each of which the pretend engine tells
// apart by its host.
class ScraperCrewTest : public ScraperTasksTest {
 protected:
  void SetUp() override {
    ScraperTasksTest::SetUp();
    window.interval = 1;
    RunJob();
    oneWorker = Rows(job->Table());
    ASSERT_EQ(oneWorker.size(), kRows);
    workers = 3;
  }

  void WriteProxies(const QByteArray& lines) {
    QFile file(folder.filePath(u"proxies.txt"_qs));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(lines);
  }

  // Records when each request through each proxy began; `answer` may replace the engine's.
  void WatchProxies(
      std::function<std::optional<ScriptedAnswer>(const QString& proxy, int nth)> answer = {}) {
    web.throughProxy = [this, answer](const QString& proxy, const QString&,
                                      JobClock::TimePoint began) -> std::optional<ScriptedAnswer> {
      std::vector<JobClock::TimePoint>& times = requestTimes[proxy];
      times.push_back(began);
      return answer ? answer(proxy, int(times.size())) : std::nullopt;
    };
  }

  // The shortest time between two requests through one proxy.
  milliseconds ShortestGap() const {
    milliseconds shortest = milliseconds::max();
    for (const auto& [proxy, times] : requestTimes) {
      for (size_t i = 1; i < times.size(); ++i) {
        shortest =
            std::min(shortest, std::chrono::duration_cast<milliseconds>(times[i] - times[i - 1]));
      }
    }
    return shortest;
  }

  QStringList oneWorker;
  std::map<QString, std::vector<JobClock::TimePoint>> requestTimes;
};

// Proxies blocked in turn rest while their tasks go on through the others; the table is the
// one-worker job's, row for row, and every proxy keeps the interval.
TEST_F(ScraperCrewTest, BlockedProxiesRestAndTheTableIsTheOneWorkerTable) {
  WriteProxies("10.0.0.1:3128\r\n10.0.0.2:3128\r\n# spare\r\n10.0.0.3:3128\r\n10.0.0.4:3128\r\n");
  WatchProxies([](const QString&, int nth) -> std::optional<ScriptedAnswer> {
    if (nth % 4 != 2) return std::nullopt;
    ScriptedAnswer captcha = Body(kCaptchaPage);
    captcha.trace.paths = {u"/showcaptcha"_qs};
    return captcha;
  });

  RunJob();

  EXPECT_EQ(Rows(job->Table()), oneWorker);
  EXPECT_EQ(requestTimes.size(), 4u);
  EXPECT_GE(ShortestGap(), milliseconds(1000));
  const QStringList messages = window.Messages();
  EXPECT_EQ(messages.filter(u"Используем 4 прокси из proxies.txt"_qs).size(), 1);
  EXPECT_FALSE(messages.filter(u"] Яндекс просит ввести капчу"_qs).isEmpty());
  EXPECT_FALSE(messages.filter(u"отдыхает до"_qs).isEmpty());
  const QStringList taskLines = messages.filter(u"Запускаем запрос"_qs);
  EXPECT_EQ(taskLines.size(), 4);
  EXPECT_EQ(taskLines.filter(QRegularExpression(u"^\\s*\\[[1-3]\\] Запускаем запрос"_qs)),
            taskLines);
  EXPECT_EQ(messages
                .filter(QRegularExpression(u"^Прокси 10\\.0\\.0\\.\\d:3128: запросов \\d+, "
                                           u"блокировок \\d+, отдыхов \\d+$"_qs))
                .size(),
            4);
  EXPECT_EQ(window.CountMessages(u"Сохраняем данные в файл current.csv"_qs), 2);
  EXPECT_EQ(window.resumeTimerStarts.load(), 0);
}

// A line that cannot be used is named and skipped; a proxy that never connects rests, without
// an error pause, and the job completes on the others.
TEST_F(ScraperCrewTest, ABadProxyLineAndADeadProxyDoNotStopTheJob) {
  // The one worker is lent the first proxy first.
  workers = 1;
  WriteProxies("socks5://10.0.0.9:3128\r\n10.0.0.5:3128\r\n10.0.0.1:3128\r\n");
  WatchProxies([](const QString& proxy, int) -> std::optional<ScriptedAnswer> {
    if (proxy != u"10.0.0.5") return std::nullopt;
    return ProxyFailure("Не удалось соединиться с 10.0.0.5:3128: Connection refused");
  });

  RunJob();

  EXPECT_EQ(Rows(job->Table()), oneWorker);
  const QStringList messages = window.Messages();
  EXPECT_EQ(messages.filter(u"proxies.txt, строка 1: "_qs).size(), 1);
  EXPECT_EQ(messages.filter(u"Используем 2 прокси из proxies.txt"_qs).size(), 1);
  EXPECT_EQ(messages.filter(u"Ошибка: Не удалось соединиться с 10.0.0.5:3128"_qs).size(), 3);
  EXPECT_EQ(
      messages.filter(u"3 ошибки подряд через один прокси. Прокси 10.0.0.5:3128 отдыхает до "_qs)
          .size(),
      1);
  EXPECT_EQ(messages.filter(kErrorPauseMessage.toString()).size(), 0);
}

// Where a failure is counted decides how a job with --give-up-after ends: failures at every
// proxy end the job like a dead engine, the engine's own failures leave each task in turn.
TEST_F(ScraperCrewTest, FailuresAreCountedWhereTheyHappenAndTheJobEnds) {
  WriteProxies("10.0.0.1:3128\r\n10.0.0.2:3128\r\n");
  giveUpAfter = 3;
  for (const bool atProxy : {true, false}) {
    SCOPED_TRACE(atProxy ? "at the proxy" : "at the engine");
    WatchProxies([atProxy](const QString&, int) -> std::optional<ScriptedAnswer> {
      return atProxy ? ProxyFailure("Не удалось соединиться с прокси")
                     : Failure("Соединение сброшено сервером");
    });
    // Each job's start clears the log.
    RunJob();
    const QStringList messages = window.Messages();
    EXPECT_EQ(job->Ending().engineUnreachable, atProxy);
    EXPECT_EQ(job->Ending().givenUp.isEmpty(), atProxy);
    EXPECT_EQ(messages.filter(kErrorPauseMessage.toString()).isEmpty(), atProxy);
    EXPECT_EQ(messages.filter(u"Ни через один прокси из proxies.txt"_qs).isEmpty(), !atProxy);
    EXPECT_EQ(job->Table().RowCount(), 0);
  }
}

TEST_F(ScraperCrewTest, MoreWorkersThanProxiesAreLowered) {
  WriteProxies("10.0.0.1:3128\r\n");
  WatchProxies();
  RunJob();
  EXPECT_EQ(Rows(job->Table()), oneWorker);
  EXPECT_EQ(
      window.Messages().filter(u"Потоков задано 3, а прокси 1: работаем в 1 потоке"_qs).size(), 1);
  // One worker writes no numbers.
  EXPECT_TRUE(window.Messages().filter(u"[1] "_qs).isEmpty());
}

// Several tasks stand half-walked when a stop comes; each goes on from its last page.
TEST_F(ScraperCrewTest, AStoppedCrewResumesToTheSameTable) {
  WriteProxies("10.0.0.1:3128\r\n10.0.0.2:3128\r\n10.0.0.3:3128\r\n");
  for (const int stopAt : {2, 5, 9, 14}) {
    SCOPED_TRACE(stopAt);
    RunStoppedAt(stopAt);
    ASSERT_FALSE(journal->Summary().finished);
    RunWith(journal, true);
    EXPECT_EQ(Rows(job->Table()), oneWorker);
    EXPECT_TRUE(journal->Summary().finished);
  }
}

}  // namespace
}  // namespace korvath::testing
