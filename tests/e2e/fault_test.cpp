// Whole jobs that meet a fault on the way: each error costs the job a real 15-second pause, so
// every case here provokes as few as it can.
#include "e2e_support.h"
#include "fault_support.h"

#include "support/free_port.h"
#include "support/tinyproxy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <stdexcept>

namespace korvath::e2e {
namespace {

const auto* const kQtApplication = ::testing::AddGlobalTestEnvironment(new QtApplication);

// Two result pages of three ads. The requests of a run come in this order: 1 the first page,
// 2 to 4 the cards of ads 1 to 3, 5 the second page (ad 4 has no card), 6 and 7 the cards of
// ads 5 and 6.
const QStringList kShape = {u"--pages"_qs, u"2"_qs, u"--ads"_qs, u"3"_qs};
const QString kPause = u": Включаем паузу на 15 секунд\n"_qs;
const QString kResume = u": Отключаем паузу, продолжаем работу\n"_qs;
const QString kError = u": Ошибка: "_qs;

// The job's arguments against `origin`, `more` last so that they win; the queries come from the
// working folder, so that the program folder holds nothing but what the job writes.
QStringList JobArguments(const Sandbox& sandbox, const QString& origin,
                         const QStringList& more = {}) {
  WriteUserLines(sandbox.WorkingFile(u"queries.txt"_qs), {u"окна"_qs});
  return QStringList{u"--origin"_qs,  origin,          u"--interval"_qs,
                     u"0"_qs,         u"--queries"_qs, sandbox.WorkingFile(u"queries.txt"_qs),
                     u"--regions"_qs, u"Москва=213"_qs} +
         more;
}

// The log lines that report an error, without their time stamps.
QStringList ErrorLines(const QString& out) {
  QStringList errors;
  for (const QString& line : out.split(u'\n')) {
    if (const qsizetype at = line.indexOf(kError); at >= 0)
      errors.append(line.mid(at + kError.size()));
  }
  return errors;
}

QString OnlyFile(const QString& folder, const QString& pattern) {
  const QStringList names = QDir(folder).entryList({pattern}, QDir::Files);
  if (names.size() != 1) {
    ADD_FAILURE() << names.size() << " files " << pattern.toStdString() << " in "
                  << folder.toStdString();
    return {};
  }
  return QDir(folder).filePath(names.front());
}

// What the same job writes when nothing goes wrong.
struct CleanJob {
  QList<QStringList> results;
  QList<QStringList> working;
  qint64 resultsBytes = 0;
  qint64 workingBytes = 0;
};

// Two queries, the first of them the one of every other job here.
QStringList TwoQueries(const Sandbox& sandbox) {
  const QString path = sandbox.WorkingFile(u"two-queries.txt"_qs);
  WriteUserLines(path, {u"окна"_qs, u"двери"_qs});
  return {u"--queries"_qs, path};
}

CleanJob RunClean(bool twoQueries) {
  DemoEngine engine(kShape);
  Sandbox sandbox;
  const CliResult run = RunCli(
      sandbox,
      JobArguments(sandbox, engine.Origin(), twoQueries ? TwoQueries(sandbox) : QStringList()));
  if (run.exitCode != 0) throw std::runtime_error("the clean job failed: " + run.out.toStdString());
  const QString results = OnlyFile(sandbox.ProgramFolder(), u"results-*.csv"_qs);
  const QString working = sandbox.ProgramFile(u"current.csv"_qs);
  return CleanJob{ReadCsv(results), ReadCsv(working), QFileInfo(results).size(),
                  QFileInfo(working).size()};
}

const CleanJob& Clean() {
  static const CleanJob clean = RunClean(false);
  return clean;
}

const CleanJob& CleanTwoQueries() {
  static const CleanJob clean = RunClean(true);
  return clean;
}

// Every error is followed by its pause and the job goes on after it.
void ExpectPausedAndResumedAfterEachError(const QString& out) {
  const QStringList lines = out.split(u'\n');
  int errors = 0;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    if (!lines[i].contains(kError)) continue;
    ++errors;
    ASSERT_LT(i + 2, lines.size());
    EXPECT_TRUE((lines[i + 1] + u'\n').endsWith(kPause)) << lines[i + 1].toStdString();
    EXPECT_TRUE((lines[i + 2] + u'\n').endsWith(kResume)) << lines[i + 2].toStdString();
  }
  EXPECT_GT(errors, 0);
}

struct ServerFault {
  const char* name;
  QStringList engineOptions;
  QStringList jobOptions;
  QString message;  // what the log must say; %1 stands for the engine's host and port
  int errors;
};

void PrintTo(const ServerFault& fault, std::ostream* out) { *out << fault.name; }

class CliServerFault : public ::testing::TestWithParam<ServerFault> {};

TEST_P(CliServerFault, CostsAnErrorPauseAndLosesNoRow) {
  const ServerFault& fault = GetParam();
  DemoEngine engine(kShape + fault.engineOptions);
  Sandbox sandbox;
  const CliResult run = RunCli(sandbox, JobArguments(sandbox, engine.Origin(), fault.jobOptions));
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();

  const QString peer = engine.Origin().mid(QStringLiteral("https://").size());
  const QString message = QString(fault.message).replace(u"%1"_qs, peer);
  const QStringList errors = ErrorLines(run.out);
  ASSERT_EQ(errors.size(), fault.errors) << run.out.toStdString();
  for (const QString& error : errors) {
    EXPECT_TRUE(error.contains(message)) << error.toStdString();
  }
  ExpectPausedAndResumedAfterEachError(run.out);
  EXPECT_EQ(ReadCsv(OnlyFile(sandbox.ProgramFolder(), u"results-*.csv"_qs)), Clean().results);
  EXPECT_EQ(ReadCsv(sandbox.ProgramFile(u"current.csv"_qs)), Clean().working);
}

// Faults land on the card of ad 2 (request 3), on the first page (request 1) or on the second
// page (request 5, and 6 when twice in a row); a page cut short must not be walked.
INSTANTIATE_TEST_SUITE_P(
    Faults, CliServerFault,
    ::testing::Values(
        ServerFault{"ConnectionReset",
                    {u"--reset-at"_qs, u"3"_qs},
                    {},
                    u"Соединение с %1 прервано при чтении ответа: Connection reset by peer"_qs,
                    1},
        ServerFault{"StallUntilTheReadTimeOut",
                    {u"--stall-at"_qs, u"3"_qs},
                    {u"--timeout-ms"_qs, u"1000"_qs},
                    u"Сервер %1 не прислал данных за 1000 мс (время ожидания чтения истекло)"_qs,
                    1},
        ServerFault{"GarbageInsteadOfHttp",
                    {u"--garbage-at"_qs, u"1"_qs},
                    {},
                    u"Сервер %1 прислал ответ не по протоколу HTTP"_qs,
                    1},
        ServerFault{"AnswerCutShort",
                    {u"--cut-at"_qs, u"5"_qs},
                    {},
                    u"Сервер %1 закрыл соединение до конца ответа"_qs,
                    1},
        ServerFault{"ServerErrorForTwoAttempts",
                    {u"--fail-at"_qs, u"5-6"_qs},
                    {},
                    u"HTTP/1.1 500 Internal Server Error"_qs,
                    2}),
    [](const ::testing::TestParamInfo<ServerFault>& info) { return info.param.name; });

TEST(CliFault, ServerThatDiesAndComesBackOnItsPortLosesNoRow) {
  RestartableEngine engine(kShape);
  Sandbox sandbox;
  // A second between requests leaves room to pull the engine away in the middle of the job.
  RunningCli cli(sandbox, JobArguments(sandbox, engine.Origin(), {u"--interval"_qs, u"1"_qs}));
  ASSERT_TRUE(cli.WaitForOutput(
      [](const QString& out) { return out.contains(u": Карточка загружена: "_qs); }));
  engine.Stop();
  ASSERT_TRUE(cli.WaitForOutput([](const QString& out) { return out.contains(kPause); }));
  engine.Start();
  const CliResult run = cli.Finish();
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();

  // Whether the engine went while a request was in flight or between two, the line names it.
  const QStringList errors = ErrorLines(run.out);
  ASSERT_EQ(errors.size(), 1) << run.out.toStdString();
  EXPECT_TRUE(errors[0].contains(u"127.0.0.1:"_qs + QString::number(engine.Port())))
      << errors[0].toStdString();
  ExpectPausedAndResumedAfterEachError(run.out);
  EXPECT_EQ(ReadCsv(OnlyFile(sandbox.ProgramFolder(), u"results-*.csv"_qs)), Clean().results);
}

struct ProxyFault {
  const char* name;
  bool needsTinyproxy;
  QString credentials;  // written before "@" in the proxy file; empty: none
  QString messagePattern;
  int pageLoads;  // loads of the first page to see before the job is stopped
};

void PrintTo(const ProxyFault& fault, std::ostream* out) { *out << fault.name; }

class CliProxyFault : public ::testing::TestWithParam<ProxyFault> {};

// Every request fails at the proxy, so the first page is asked for again after each pause until
// the user stops the job.
TEST_P(CliProxyFault, ReportsEveryAttemptUntilStopped) {
  const ProxyFault& fault = GetParam();
  if (fault.needsTinyproxy && !korvath::testing::TinyproxyInstalled())
    GTEST_SKIP() << "tinyproxy is not installed";
  DemoEngine engine(kShape);
  std::unique_ptr<korvath::testing::Tinyproxy> proxy;
  int port = korvath::testing::FreeLoopbackPort();  // nothing listens there
  if (fault.needsTinyproxy) {
    proxy = std::make_unique<korvath::testing::Tinyproxy>("korvath", "s3cret");
    port = proxy->Port();
  }
  const QString address = u"127.0.0.1:"_qs + QString::number(port);
  Sandbox sandbox;
  sandbox.WriteUserFile(
      u"proxy.txt"_qs,
      {fault.credentials.isEmpty() ? address : fault.credentials + u'@' + address});

  RunningCli cli(sandbox, JobArguments(sandbox, engine.Origin()));
  ASSERT_TRUE(cli.WaitForOutput([&](const QString& out) {
    return Count(out, u"Загружаем страницу объявлений"_qs) >= fault.pageLoads &&
           Count(out, kPause) >= fault.pageLoads;
  }));
  cli.Signal(SIGINT);
  const CliResult run = cli.Finish();

  EXPECT_EQ(run.exitCode, 130) << run.err.toStdString();
  EXPECT_EQ(Count(run.out, u": Используем прокси "_qs + address), 1) << run.out.toStdString();
  const QStringList errors = ErrorLines(run.out);
  ASSERT_EQ(errors.size(), fault.pageLoads) << run.out.toStdString();
  const QRegularExpression message(
      QString(fault.messagePattern).replace(u"%1"_qs, QString::number(port)));
  for (const QString& error : errors)
    EXPECT_TRUE(message.match(error).hasMatch()) << error.toStdString();
  EXPECT_TRUE(sandbox.ProgramFiles(u"results-*.csv"_qs).isEmpty());
  EXPECT_EQ(ReadLogFile(OnlyFile(sandbox.ProgramFolder(), u"log-*.txt"_qs)), run.out);
}

// tinyproxy refuses with 401 rather than 407.
INSTANTIATE_TEST_SUITE_P(
    Faults, CliProxyFault,
    ::testing::Values(
        ProxyFault{"ClosedPort",
                   false,
                   {},
                   uR"(^Не удалось соединиться с 127\.0\.0\.1:%1: Connection refused$)"_qs,
                   2},
        ProxyFault{"NoCredentials", true, {}, uR"(^HTTP/1\.[01] 40[17] )"_qs, 1},
        ProxyFault{"WrongCredentials", true, u"korvath:wrong"_qs, uR"(^HTTP/1\.[01] 40[17] )"_qs,
                   1}),
    [](const ::testing::TestParamInfo<ProxyFault>& info) { return info.param.name; });

// A folder the job could not write would cost it every request and then every save.
TEST(CliFault, ReadOnlyFolderIsRefusedBeforeAnyRequest) {
  if (const QString reason = MountNamespaceUnavailable(); !reason.isEmpty())
    GTEST_SKIP() << reason.toStdString();
  const struct {
    const char* name;
    const char* variable;  // of the folder made read-only
    QString part;
  } cases[] = {
      {"program folder", "P", u"в папку программы \"%1\""_qs},
      {"working folder", "W", u"в рабочую папку \"%1\""_qs},
  };
  DemoEngine engine(kShape);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Sandbox sandbox;
    const QString folder = *c.variable == 'P' ? sandbox.ProgramFolder() : sandbox.WorkingFolder();
    const CliResult run =
        StartMountedCli(sandbox,
                        uR"(mount --bind "$%1" "$%1"; mount -o remount,bind,ro "$%1")"_qs.arg(
                            QLatin1String(c.variable)),
                        JobArguments(sandbox, engine.Origin()))
            .Finish();
    EXPECT_EQ(run.exitCode, 2) << run.err.toStdString() << run.out.toStdString();
    EXPECT_TRUE(run.err.contains(c.part.arg(folder))) << run.err.toStdString();
    EXPECT_TRUE(run.err.trimmed().endsWith(u"диск или папка только для чтения"_qs))
        << run.err.toStdString();
    EXPECT_FALSE(run.out.contains(u"Загружаем страницу объявлений"_qs)) << run.out.toStdString();
  }
}

TEST(CliFault, WorkingFileThatCannotBeReplacedLeavesTheJobGoingOn) {
  const struct {
    const char* name;
    // A folder where the file must go, else a read-only file mounted there, which the program
    // may not replace, as it may not replace a file another program holds open on Windows.
    bool folder;
    QString reason;  // the system's reason, at the end of the log line
  } cases[] = {
      {"folder", true, u"на месте файла папка"_qs},
      {"read-only file", false, u"защищён от записи"_qs},
  };
  DemoEngine engine(kShape);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (const QString reason = MountNamespaceUnavailable(); !c.folder && !reason.isEmpty())
      GTEST_SKIP() << reason.toStdString();
    Sandbox sandbox;
    const QString path = sandbox.ProgramFile(u"current.csv"_qs);
    CliResult run;
    if (c.folder) {
      ASSERT_TRUE(QDir().mkdir(path));
      run = RunCli(sandbox, JobArguments(sandbox, engine.Origin()));
    } else {
      sandbox.WriteBytes(u"current.csv"_qs, "an earlier job's rows");
      run = StartMountedCli(sandbox,
                            uR"(mount --bind "$P/current.csv" "$P/current.csv"; )"
                            uR"(mount -o remount,bind,ro "$P/current.csv")"_qs,
                            JobArguments(sandbox, engine.Origin()))
                .Finish();
    }
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    const qsizetype failure =
        run.out.indexOf(u": Ошибка записи Не удаётся создать файл \""_qs + path + u"\": "_qs);
    ASSERT_GE(failure, 0) << run.out.toStdString();
    EXPECT_TRUE(run.out.mid(failure).section(u'\n', 0, 0).endsWith(c.reason))
        << run.out.toStdString();
    // No pause: the job goes straight on to its final save, which holds every row.
    EXPECT_FALSE(run.out.contains(kPause));
    EXPECT_EQ(ReadCsv(OnlyFile(sandbox.ProgramFolder(), u"results-*.csv"_qs)), Clean().results);
    if (!c.folder) {
      QFile old(path);
      ASSERT_TRUE(old.open(QIODevice::ReadOnly));
      EXPECT_EQ(old.readAll(), "an earlier job's rows");
    }
  }
}

// The program folder is a tmpfs with room for the first query's "current.csv" and for nothing
// more (the job journal, whose file grows with every page, lives outside it through a symbolic
// link): the second working save fails and leaves the first one's file in place, the results file
// fails too and is reported once, without an error pause (nothing is left to wait for), and the
// exit status says so.
TEST(CliFault, DiskFullKeepsTheLastWorkingFileWhole) {
  if (const QString reason = MountNamespaceUnavailable(); !reason.isEmpty())
    GTEST_SKIP() << reason.toStdString();
  constexpr qint64 kPage = 4096;  // tmpfs hands out whole pages
  const auto pages = [](qint64 bytes) { return (bytes + kPage - 1) / kPage; };
  // The second working save writes its file beside the first one's before it replaces it; the
  // lock that keeps other jobs out of the folder takes a page of its own.
  const qint64 size = (pages(Clean().workingBytes) + pages(CleanTwoQueries().workingBytes)) * kPage;
  ASSERT_LE(CleanTwoQueries().workingBytes, CleanTwoQueries().resultsBytes);

  DemoEngine engine(kShape);
  Sandbox sandbox;
  QTemporaryDir kept;
  QTemporaryDir journal;
  ASSERT_TRUE(kept.isValid() && journal.isValid());
  const CliResult run =
      StartMountedCli(
          sandbox,
          uR"(mount -t tmpfs -o size=%1 tmpfs "$P"; ln -s "%2/job.sqlite" "$P/")"_qs.arg(
              QString::number(size), journal.path()),
          JobArguments(sandbox, engine.Origin(), TwoQueries(sandbox)), kept.path())
          .Finish();
  ASSERT_TRUE(QFileInfo::exists(journal.filePath(u"job.sqlite"_qs)));

  EXPECT_EQ(run.exitCode, 1) << run.err.toStdString() << run.out.toStdString();
  const QString working = sandbox.ProgramFile(u"current.csv"_qs);
  EXPECT_EQ(Count(run.out, u": Сохраняем данные в файл current.csv\n"_qs), 2);
  EXPECT_EQ(Count(run.out, u": Ошибка записи Не удаётся записать файл \""_qs + working +
                               u"\": на диске нет места\n"_qs),
            1)
      << run.out.toStdString();
  const QStringList errors = ErrorLines(run.out);
  ASSERT_EQ(errors.size(), 1) << run.out.toStdString();
  EXPECT_TRUE(
      errors[0].startsWith(u"Не удаётся записать файл \""_qs + sandbox.ProgramFile(u"results-"_qs)))
      << errors[0].toStdString();
  EXPECT_TRUE(errors[0].endsWith(u"на диске нет места"_qs)) << errors[0].toStdString();
  EXPECT_FALSE(run.out.contains(kPause)) << run.out.toStdString();
  EXPECT_FALSE(run.out.contains(u"Results: "_qs));
  // Neither the results file nor a piece of it is left behind.
  EXPECT_TRUE(QDir(kept.path()).entryList({u"results-*"_qs}, QDir::Files).isEmpty());
  EXPECT_EQ(ReadCsv(QDir(kept.path()).filePath(u"current.csv"_qs)), Clean().working);
  // The log file found no room either; an empty one would pass for a log.
  for (const QString& log : QDir(kept.path()).entryList({u"log-*.txt"_qs}, QDir::Files))
    EXPECT_EQ(ReadLogFile(QDir(kept.path()).filePath(log)), run.out);
}

}  // namespace
}  // namespace korvath::e2e
