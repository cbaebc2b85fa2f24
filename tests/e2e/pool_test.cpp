// Whole jobs through a pool of proxies, each a tinyproxy that reaches the demo engine from a
// loopback address of its own, so that the engine blocks each proxy as a client of its own.
#include "e2e_support.h"

#include <QDateTime>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

#include "support/free_port.h"
#include "support/tinyproxy.h"

namespace korvath::e2e {
namespace {

const auto* const kQtApplication = ::testing::AddGlobalTestEnvironment(new QtApplication);

// Two queries in two regions, two result pages of three ads each: four tasks of seven requests.
const QStringList kShape = {u"--pages"_qs, u"2"_qs, u"--ads"_qs, u"3"_qs, u"--log"_qs};
constexpr int kIntervalMs = 100;

QStringList JobArguments(const Sandbox& sandbox, const QString& origin,
                         const QStringList& more = {}) {
  WriteUserLines(sandbox.WorkingFile(u"queries.txt"_qs), {u"окна"_qs, u"двери"_qs});
  return QStringList{u"--origin"_qs,     origin,
                     u"--interval"_qs,   QString::number(kIntervalMs / 1000.0),
                     u"--queries"_qs,    sandbox.WorkingFile(u"queries.txt"_qs),
                     u"--regions"_qs,    u"Москва=213,Питер=2"_qs,
                     u"--block-wait"_qs, u"0.2"_qs} +
         more;
}

// What one worker without proxies writes when the engine never blocks it.
const JobFiles& OneWorker() {
  static const JobFiles written = [] {
    DemoEngine engine(kShape);
    Sandbox sandbox;
    const CliResult run = RunCli(sandbox, JobArguments(sandbox, engine.Origin()));
    if (run.exitCode != 0) throw std::runtime_error("the one-worker job failed");
    return FilesOf(sandbox);
  }();
  return written;
}

// Proxies bound to 127.0.0.2, 127.0.0.3, …, listed in "proxies.txt" after `firstLines`.
class Pool {
 public:
  Pool(int size, const Sandbox& sandbox, const QStringList& firstLines = {}) {
    QStringList lines = firstLines;
    for (int i = 0; i < size; ++i) {
      testing::TinyproxyOptions options;
      options.bindAddress = "127.0.0." + std::to_string(i + 2);
      proxies_.push_back(std::make_unique<testing::Tinyproxy>(options));
      lines.append(u"127.0.0.1:"_qs + QString::number(proxies_.back()->Port()));
    }
    sandbox.WriteUserFile(u"proxies.txt"_qs, lines);
  }

 private:
  std::vector<std::unique_ptr<testing::Tinyproxy>> proxies_;
};

// Per client address, the times the engine's log gives its requests, in milliseconds of the day.
std::map<QString, std::vector<int>> RequestTimes(const QString& log) {
  static const QRegularExpression line(u"^(\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d) (\\S+) GET"_qs,
                                       QRegularExpression::MultilineOption);
  std::map<QString, std::vector<int>> times;
  for (const QRegularExpressionMatch& match : line.globalMatch(log)) {
    const QTime time = QTime::fromString(match.captured(1), u"HH:mm:ss.zzz"_qs);
    times[match.captured(2)].push_back(time.msecsSinceStartOfDay());
  }
  return times;
}

class CliPool : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::TinyproxyInstalled()) GTEST_SKIP() << "tinyproxy is not installed";
  }
};

// Each proxy is blocked after a few requests; the job rests it, goes on through the others, and
// writes what one worker writes unblocked. No proxy asks twice within the interval.
TEST_F(CliPool, ProxiesBlockedInTurnLoseNoRowAndKeepTheInterval) {
  DemoEngine engine(kShape + QStringList{u"--captcha-after"_qs, u"5"_qs, u"--captcha-for"_qs,
                                         u"0.3"_qs, u"--captcha-style"_qs, u"inline"_qs});
  Sandbox sandbox;
  const Pool pool(3, sandbox);
  const CliResult run =
      RunCli(sandbox, JobArguments(sandbox, engine.Origin(), {u"--workers"_qs, u"3"_qs}));

  ASSERT_EQ(run.exitCode, 0) << run.out.toStdString();
  EXPECT_EQ(FilesOf(sandbox), OneWorker());
  EXPECT_EQ(Count(run.out, u"Используем 3 прокси из proxies.txt"_qs), 1);
  EXPECT_GT(Count(run.out, u"отдыхает до"_qs), 0);
  EXPECT_EQ(run.out.count(QRegularExpression(u"Прокси 127\\.0\\.0\\.1:\\d+: запросов \\d+, "
                                             u"блокировок [1-9]\\d*, отдыхов \\d+\\n"_qs)),
            3);
  const auto times = RequestTimes(engine.Log());
  ASSERT_EQ(times.size(), 3u);
  for (const auto& [client, moments] : times) {
    EXPECT_TRUE(client.startsWith(u"127.0.0."_qs) && client != u"127.0.0.1"_qs);
    for (size_t i = 1; i < moments.size(); ++i) {
      EXPECT_GE(moments[i] - moments[i - 1], kIntervalMs) << client.toStdString() << " #" << i;
    }
  }
}

// A line that is no proxy is named and skipped, a proxy on a closed port rests after its
// failures, and the job completes through the rest.
TEST_F(CliPool, AnUnusableLineAndADeadProxyLeaveTheJobToTheOthers) {
  DemoEngine engine(kShape);
  Sandbox sandbox;
  const QString closed = u"127.0.0.1:"_qs + QString::number(testing::FreeLoopbackPort());
  const Pool pool(2, sandbox, {u"socks5://127.0.0.1:8080"_qs, closed});
  const CliResult run =
      RunCli(sandbox, JobArguments(sandbox, engine.Origin(), {u"--workers"_qs, u"2"_qs}));

  ASSERT_EQ(run.exitCode, 0) << run.out.toStdString();
  EXPECT_EQ(FilesOf(sandbox), OneWorker());
  EXPECT_EQ(Count(run.out, u"proxies.txt, строка 1: "_qs), 1);
  EXPECT_EQ(Count(run.out, u"Используем 3 прокси из proxies.txt"_qs), 1);
  EXPECT_GT(Count(run.out, u"3 ошибки подряд через один прокси. Прокси "_qs + closed), 0);
  EXPECT_EQ(Count(run.out, u"Включаем паузу на 15 секунд"_qs), 0);
}

// Card links given as a path belong to the results page they came from, whichever proxy asked for
// it; a dead proxy's failures are the proxy's. One worker and three both end with the files of
// the job without a pool.
TEST_F(CliPool, PathCardLinksAndADeadProxyEndWithTheOneWorkerFiles) {
  DemoEngine engine(kShape + QStringList{u"--path-card-links"_qs});
  for (const int workers : {1, 3}) {
    SCOPED_TRACE(workers);
    Sandbox sandbox;
    const QString closed = u"127.0.0.1:"_qs + QString::number(testing::FreeLoopbackPort());
    const Pool pool(3, sandbox, {closed});
    const CliResult run =
        RunCli(sandbox,
               JobArguments(sandbox, engine.Origin(), {u"--workers"_qs, QString::number(workers)}));
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString();
    EXPECT_EQ(FilesOf(sandbox), OneWorker());
    EXPECT_FALSE(run.out.contains(u"предыдущего адреса нет"_qs));
  }
}

}  // namespace
}  // namespace korvath::e2e
