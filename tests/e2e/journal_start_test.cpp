#include "e2e_support.h"

#include "support/journal_writer.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvath::e2e {
namespace {

const auto* const kQtApplication = ::testing::AddGlobalTestEnvironment(new QtApplication);

// Days of work must not go because a scheduled command line did not know about them: before any
// request, `run` says what to do and leaves the journal as it was.
TEST(CliJournal, InterruptedJobIsNeitherContinuedNorReplacedUnasked) {
  const JournalInputs inputs =
      testing::JobInputs({u"труба"_qs, u"двери"_qs}, {u"Москва=213"_qs, u"Казань=43"_qs});
  Sandbox sandbox;
  testing::WriteJournal(sandbox.ProgramFolder(), inputs, 3);
  const CliResult run = RunCli(sandbox, {u"--queries"_qs, u"q.txt"_qs, u"--regions"_qs, u"A=1"_qs});
  EXPECT_EQ(run.exitCode, 2) << run.out.toStdString();
  EXPECT_TRUE(
      run.err.contains(u"holds an interrupted job: Выполнено задач (запрос в регионе): "
                       u"3 из 4, собрано строк: 3, сбор остановлен "_qs))
      << run.err.toStdString();
  EXPECT_TRUE(run.err.contains(
      u"Give --resume to continue it, or --fresh to start a new job in its place."_qs));
  EXPECT_FALSE(run.out.contains(u"Начинаем работу"_qs)) << run.out.toStdString();
  const auto journal = JobJournal::Open(sandbox.ProgramFolder(), nullptr);
  EXPECT_EQ(journal->Summary().tasksDone, 3);
  EXPECT_EQ(journal->Inputs(), inputs);
}

// An interrupted job's journal file, copied only half way.
QByteArray HalfAJournal() {
  QTemporaryDir folder;
  testing::WriteJournal(folder.path(),
                        testing::JobInputs({u"труба"_qs}, {u"Москва=213"_qs, u"Казань=43"_qs}), 1);
  const QByteArray whole = FileBytes(QDir(folder.path()).filePath(u"job.sqlite"_qs));
  return whole.left(whole.size() / 2);
}

QByteArray Garbage() {
  QByteArray bytes(10000, '\0');
  QRandomGenerator(11).fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
  return bytes;
}

// A journal that cannot be read is moved aside whole and said so, whatever the run then does: a
// new job starts in its place, or --resume finds nothing to go on with.
TEST(CliJournal, UnreadableJournalIsSetAsideAndSaidSo) {
  DemoEngine engine({u"--pages"_qs, u"1"_qs, u"--ads"_qs, u"2"_qs, u"--no-missing-cards"_qs});
  const QStringList common = {u"--origin"_qs, engine.Origin(), u"--interval"_qs, u"0"_qs,
                              u"--no-xlsx"_qs};
  const QStringList newJob = {u"--queries"_qs, u"queries.txt"_qs, u"--regions"_qs,
                              u"Москва=213"_qs};
  const struct {
    const char* name;
    QByteArray journal;
    QStringList arguments;
    int exitCode;
  } cases[] = {
      {"garbage", Garbage(), newJob, 0},
      {"half a journal", HalfAJournal(), newJob, 0},
      {"half a journal, fresh", HalfAJournal(), newJob + QStringList{u"--fresh"_qs}, 0},
      {"half a journal, resume", HalfAJournal(), {u"--resume"_qs}, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Sandbox sandbox;
    WriteUserLines(sandbox.WorkingFile(u"queries.txt"_qs), {u"окна"_qs});
    sandbox.WriteBytes(u"job.sqlite"_qs, c.journal);
    const CliResult run = RunCli(sandbox, common + c.arguments);

    EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString() << run.out.toStdString();
    const QStringList aside = sandbox.ProgramFiles(u"job-unreadable-*.sqlite"_qs);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(FileBytes(sandbox.ProgramFile(aside[0])), c.journal);
    EXPECT_EQ(Count(run.out, u" повреждён или не читается "_qs), 1) << run.out.toStdString();
    EXPECT_EQ(Count(run.out, u"переименован в «"_qs + aside[0] + u"»"_qs), 1);
    EXPECT_EQ(sandbox.ProgramFiles(u"results-*.csv"_qs).size(), c.exitCode == 0 ? 1 : 0);
    if (c.exitCode != 0) {
      EXPECT_TRUE(run.err.contains(u"--resume: nothing to resume"_qs)) << run.err.toStdString();
      continue;
    }
    // The new job's journal took the old one's name, and ended finished.
    const auto journal = JobJournal::Open(sandbox.ProgramFolder(), nullptr);
    EXPECT_TRUE(journal->Summary().finished);
  }
}

// A power cut while the lock file was written leaves it empty: it must not lock the folder for
// ever.
TEST(CliLock, EmptyLockLeftByAPowerCutIsTakenOver) {
  DemoEngine engine({u"--pages"_qs, u"1"_qs, u"--ads"_qs, u"2"_qs});
  Sandbox sandbox;
  WriteUserLines(sandbox.WorkingFile(u"queries.txt"_qs), {u"окна"_qs});
  QFile lock(sandbox.ProgramFile(u"korvath.lock"_qs));
  ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
  ASSERT_TRUE(lock.setFileTime(QDateTime::currentDateTime().addSecs(-600),
                               QFileDevice::FileModificationTime));
  lock.close();

  const CliResult run =
      RunCli(sandbox, {u"--origin"_qs, engine.Origin(), u"--interval"_qs, u"0"_qs, u"--queries"_qs,
                       u"queries.txt"_qs, u"--regions"_qs, u"Москва=213"_qs, u"--no-xlsx"_qs});
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
  EXPECT_EQ(sandbox.ProgramFiles(u"results-*.csv"_qs).size(), 1);
  EXPECT_FALSE(QFile::exists(sandbox.ProgramFile(u"korvath.lock"_qs)));
}

}  // namespace
}  // namespace korvath::e2e
