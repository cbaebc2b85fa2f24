// Jobs killed with SIGKILL at chosen moments and resumed with `run --resume` until they complete:
// the working file and the results file must come out byte for byte as those of the same job
// never interrupted.
#include "e2e_support.h"

#include <QFile>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/tinyproxy.h"

namespace korvath::e2e {
namespace {

const auto* const kQtApplication = ::testing::AddGlobalTestEnvironment(new QtApplication);

// Two queries in two regions, two results pages of three ads, every card answered. A task (a
// query in a region) asks for seven addresses: 1 the first page, 2 to 4 the cards of ads 1 to 3,
// 5 the second page, 6 and 7 the cards of ads 5 and 6 (ad 4 has none). One worker walks
// "окна" in Москва (requests 1 to 7) and Питер (8 to 14), saves "current.csv", walks "двери"
// likewise (15 to 28), saves it again and writes the results file.
const QStringList kShape = {u"--pages"_qs, u"2"_qs, u"--ads"_qs, u"3"_qs, u"--no-missing-cards"_qs,
                            u"--log"_qs};

// How a sitting ends.
struct Kill {
  enum class At {
    Request,  // when its log says it starts on its n-th request
    Stall,    // while the engine leaves its own n-th request unanswered
    Point,    // by itself, at a call that writes or names a file (see kill_point.cpp)
  };
  At at;
  int request = 0;
  std::string point;
};

Kill AtRequest(int n) { return {Kill::At::Request, n, {}}; }
Kill Stalled(int n) { return {Kill::At::Stall, n, {}}; }
Kill AtPoint(const std::string& point) { return {Kill::At::Point, 0, point}; }
// Half way through the first write of the k-th CSV save (working saves and the results file in
// turn), which starts with the header's "Регион" in Windows-1251, quoted.
Kill InCsvSave(int k) { return AtPoint("write 22d0e5e3e8eeed223b " + std::to_string(k)); }

struct ResumeCase {
  const char* name;
  std::vector<Kill> kills;  // one per sitting; the first starts the job, the rest resume it
  int resultsFiles = 1;
};

void PrintTo(const ResumeCase& c, std::ostream* out) { *out << c.name; }

QByteArray Bytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw std::runtime_error("cannot read " + path.toStdString());
  return file.readAll();
}

struct Written {
  QByteArray working;
  QList<QByteArray> results;  // every results file
};

Written WrittenBy(const Sandbox& sandbox) {
  Written written{Bytes(sandbox.ProgramFile(u"current.csv"_qs)), {}};
  for (const QString& name : sandbox.ProgramFiles(u"results-*.csv"_qs))
    written.results.append(Bytes(sandbox.ProgramFile(name)));
  return written;
}

QStringList NewJobArguments(const Sandbox& sandbox) {
  WriteUserLines(sandbox.WorkingFile(u"queries.txt"_qs), {u"окна"_qs, u"двери"_qs});
  return {u"--queries"_qs, sandbox.WorkingFile(u"queries.txt"_qs), u"--regions"_qs,
          u"Москва=213,Питер=2"_qs};
}

QStringList CommonArguments(const DemoEngine& engine) {
  return {u"--origin"_qs, engine.Origin(), u"--interval"_qs, u"0"_qs, u"--no-xlsx"_qs};
}

// What one worker writes when nothing interrupts it.
const Written& Uninterrupted() {
  static const Written written = [] {
    DemoEngine engine(kShape);
    Sandbox sandbox;
    const CliResult run = RunCli(sandbox, CommonArguments(engine) + NewJobArguments(sandbox));
    if (run.exitCode != 0) throw std::runtime_error("the uninterrupted job failed");
    return WrittenBy(sandbox);
  }();
  return written;
}

// Requests whose start the log has shown, from every worker ("[2] Загружаем …").
int RequestsStarted(const QString& log) {
  return Count(log, u"Загружаем страницу объявлений "_qs) +
         Count(log, u"Загружаем карточку контактов для объявления "_qs);
}

QStringList KillPointEnvironment(const std::string& point) {
  // A sanitizer runtime loaded after a preloaded library would refuse to start.
  QString asanOptions = qEnvironmentVariable("ASAN_OPTIONS");
  if (!asanOptions.isEmpty()) asanOptions += u':';
  return {u"LD_PRELOAD="_qs + QStringLiteral(KORVATH_KILL_POINT_LIBRARY),
          u"KORVATH_KILL_POINT="_qs + QString::fromStdString(point),
          u"ASAN_OPTIONS="_qs + asanOptions + u"verify_asan_link_order=0"_qs};
}

// Runs one sitting until `kill` ends it; false (with a failure) when it ended otherwise.
bool KilledSitting(DemoEngine& engine, const Sandbox& sandbox, const QStringList& arguments,
                   const Kill& kill) {
  RunningCli cli(sandbox, arguments,
                 kill.at == Kill::At::Point ? KillPointEnvironment(kill.point) : QStringList());
  switch (kill.at) {
    case Kill::At::Request:
      cli.WaitForOutput([&](const QString& out) { return RequestsStarted(out) >= kill.request; });
      cli.Signal(SIGKILL);
      break;
    case Kill::At::Stall:
      engine.WaitForLog([](const QString& log) { return log.contains(u" -> stall\n"_qs); });
      cli.Signal(SIGKILL);
      break;
    case Kill::At::Point:
      break;
  }
  const CliResult run = cli.Finish();
  EXPECT_EQ(run.signal, SIGKILL) << "exit status " << run.exitCode << "\n"
                                 << run.err.toStdString() << run.out.toStdString();
  return run.signal == SIGKILL;
}

// Kills the job as the case says, resumes it until it completes, and sets what it wrote
// against the uninterrupted job's files.
void KillAndResume(const ResumeCase& c, const QStringList& jobOptions = {},
                   const std::function<void(const Sandbox&)>& prepare = {}) {
  QStringList engineOptions = kShape;
  for (std::size_t i = 0; i < c.kills.size(); ++i) {
    if (c.kills[i].at != Kill::At::Stall) continue;
    // Only the first sitting's requests have numbers known beforehand.
    ASSERT_EQ(i, 0u);
    engineOptions << u"--stall-at"_qs << QString::number(c.kills[i].request);
  }
  DemoEngine engine(engineOptions);
  Sandbox sandbox;
  if (prepare) prepare(sandbox);
  const QStringList resume = CommonArguments(engine) + jobOptions + QStringList{u"--resume"_qs};
  QStringList arguments = CommonArguments(engine) + jobOptions + NewJobArguments(sandbox);
  for (std::size_t i = 0; i < c.kills.size(); ++i) {
    SCOPED_TRACE("sitting " + std::to_string(i + 1));
    ASSERT_TRUE(KilledSitting(engine, sandbox, arguments, c.kills[i]));
    arguments = resume;
  }

  const CliResult run = RunCli(sandbox, resume);
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
  EXPECT_EQ(Count(run.out, u": Продолжаем прерванный сбор: выполнено задач "_qs), 1);
  const Written written = WrittenBy(sandbox);
  EXPECT_EQ(written.working, Uninterrupted().working);
  EXPECT_EQ(written.results.size(), c.resultsFiles);
  for (const QByteArray& results : written.results)
    EXPECT_EQ(results, Uninterrupted().results.value(0));
}

class KilledJob : public ::testing::TestWithParam<ResumeCase> {};

TEST_P(KilledJob, ResumesToTheFilesOfAJobNeverInterrupted) { KillAndResume(GetParam()); }

// The journal's transactions in a new job: 1 makes its tables, 2 records the job, 3 to 10 are
// the results pages in order (two per task), 11 marks the job finished. A resumed sitting's first
// transaction is its first page.
INSTANTIATE_TEST_SUITE_P(
    , KilledJob,
    ::testing::Values(
        // Nothing of the first task in the journal yet.
        ResumeCase{"CardOfTheFirstPage", {AtRequest(3)}},
        ResumeCase{"SecondQueryAfterTheWorkingSave", {AtRequest(15)}},
        ResumeCase{"CardThatHangs", {Stalled(10)}},
        ResumeCase{"ResultsPageThatHangs", {Stalled(19)}},
        // The second task's first page, its second page, the third task's first page.
        ResumeCase{"CommitAboutToBegin", {AtPoint("commit 5 start")}},
        ResumeCase{"CommitFrameHalfWritten", {AtPoint("commit 6 torn")}},
        ResumeCase{"CommitWrittenButNotReturned", {AtPoint("commit 7 done")}},
        // The first query's save, before any "current.csv" exists.
        ResumeCase{"WorkingSaveHalfWritten", {InCsvSave(1)}},
        // The last query's save has linked its file under a temporary name and is about to
        // rename it over the first query's.
        ResumeCase{"WorkingSaveAboutToReplaceTheFile", {AtPoint("place current.csv 3 before")}},
        ResumeCase{"ResultsFileAboutToTakeItsName", {AtPoint("place results-* 1 before")}},
        // The journal is not yet marked finished, so the resumed job writes the file once more.
        ResumeCase{"ResultsFileWrittenJournalNotFinished", {AtPoint("place results-* 1 after")}, 2},
        // Each resumed sitting is killed in turn: on its first request, in its second page's
        // commit, after the first query's save, at its own first save.
        ResumeCase{"ResumedSittingsKilledInTurn",
                   {AtRequest(9), AtRequest(1), AtPoint("commit 2 torn"), AtRequest(4),
                    AtPoint("place current.csv 1 before")}}),
    [](const auto& info) { return std::string(info.param.name); });

// Three plain proxies listed in "proxies.txt", for as long as the object lives.
class ThreeProxies {
 public:
  void WriteList(const Sandbox& sandbox) {
    QStringList lines;
    for (int i = 0; i < 3; ++i) {
      proxies_.push_back(std::make_unique<testing::Tinyproxy>(testing::TinyproxyOptions{}));
      lines.append(u"127.0.0.1:"_qs + QString::number(proxies_.back()->Port()));
    }
    sandbox.WriteUserFile(u"proxies.txt"_qs, lines);
  }

 private:
  std::vector<std::unique_ptr<testing::Tinyproxy>> proxies_;
};

class KilledCrew : public ::testing::TestWithParam<ResumeCase> {};

// Three workers walk three tasks at once; the table still takes the rows in the one-worker order.
TEST_P(KilledCrew, ResumesToTheFilesOfOneWorkerNeverInterrupted) {
  if (!testing::TinyproxyInstalled()) GTEST_SKIP() << "tinyproxy is not installed";
  ThreeProxies proxies;
  KillAndResume(GetParam(), {u"--workers"_qs, u"3"_qs},
                [&](const Sandbox& sandbox) { proxies.WriteList(sandbox); });
}

INSTANTIATE_TEST_SUITE_P(
    , KilledCrew,
    ::testing::Values(ResumeCase{"EveryWorkerInATask", {AtRequest(13)}},
                      ResumeCase{"CardThatHangs", {Stalled(9)}},
                      ResumeCase{"CommitFrameHalfWritten", {AtPoint("commit 6 torn")}},
                      ResumeCase{"WorkingSaveAboutToBeWritten",
                                 {AtPoint("place current.csv 1 before")}},
                      ResumeCase{"ResumedSittingsKilledInTurn",
                                 {AtRequest(10), AtPoint("commit 2 start"), AtRequest(3)}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvath::e2e
