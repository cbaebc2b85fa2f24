#include "sample_job.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace korvath {

void PrintTo(const ResultRow& row, std::ostream* out) {
  *out << row.keyword.toStdString() << '|' << row.pos.toStdString() << '|'
       << row.title.toStdString();
}
void PrintTo(const TaskProgress& progress, std::ostream* out) {
  *out << '{' << progress.nextAddress.toStdString() << ", " << progress.positionCounter << ", "
       << progress.capCounter << ", " << progress.done << '}';
}

namespace {

using journal_test::OpenTestJournal;

// Each test gets a program folder of its own.
class JobJournalTest : public ::testing::Test {
 protected:
  std::unique_ptr<JobJournal> Open() {
    QString setAside;
    auto journal = OpenTestJournal(folder_.path(), &setAside);
    EXPECT_EQ(setAside, QString());
    return journal;
  }

  QTemporaryDir folder_;
};

JournalInputs AwkwardInputs() {
  JournalInputs inputs;
  inputs.queryLines = {QStringLiteral("купить \"окна\""), QString(),
                       QStringLiteral("двери 'межкомнатные'")};
  inputs.regionEntries = {QStringLiteral("Москва и область=1"),
                          QStringLiteral("Ханты-Мансийск=57")};
  inputs.retryCount = 1;
  inputs.capEnabled = true;
  inputs.capValue = 0;
  inputs.tasks = {{inputs.queryLines[0], inputs.regionEntries[0]},
                  {inputs.queryLines[0], inputs.regionEntries[1]},
                  {inputs.queryLines[1], inputs.regionEntries[0]}};
  return inputs;
}

ResultRow AwkwardRow(const QString& pos) {
  return {QStringLiteral("купить \"окна\""),
          QStringLiteral("Москва и область"),
          pos,
          QStringLiteral("Окна \"Эталон\" — 😀 скидки"),
          QStringLiteral("Строка 1\r\nСтрока 2\tтаб; точка с запятой"),
          QString(),
          QStringLiteral(""),
          QStringLiteral("a'b@пример.рф"),
          QStringLiteral("ул. Ленина, д. 5 \\ корп. 2"),
          QStringLiteral("ИП Иванов И. И."),
          QStringLiteral("8 800 555-35-35")};
}

TEST_F(JobJournalTest, InputsProgressAndRowsSurviveReopening) {
  const JournalInputs inputs = AwkwardInputs();
  const QStringList first = {QStringLiteral("https://e.test/search/direct?text=%D0%BE&lr=1"),
                             QStringLiteral("https://e.test/search/direct?text=окна&lr=57"),
                             QString()};
  {
    auto journal = Open();
    journal->StartJob(inputs, first);
    journal->CommitPage(0, {AwkwardRow(u"1"_qs), AwkwardRow(u"2"_qs)},
                        {QStringLiteral("https://e.test/p2?a=1&b=\"2\""), 2, 2, false});
    journal->CommitPage(1, {AwkwardRow(u"1"_qs)}, {QString(), 1, 1, true});
    journal->CommitPage(0, {AwkwardRow(u"3"_qs)}, {QString(), 3, 3, true});
    journal->CommitPage(2, {}, {QStringLiteral("https://e.test/next"), 0, 0, false});
  }
  auto journal = Open();
  EXPECT_TRUE(journal->HasJob());
  EXPECT_EQ(journal->Inputs(), inputs);
  const QList<TaskProgress> expectedProgress = {
      {QString(), 3, 3, true},
      {QString(), 1, 1, true},
      {QStringLiteral("https://e.test/next"), 0, 0, false}};
  EXPECT_EQ(journal->Progress(), expectedProgress);
  // Task order first, then commit order: task 0's second page comes before task 1's rows.
  const QList<ResultRow> expectedRows = {AwkwardRow(u"1"_qs), AwkwardRow(u"2"_qs),
                                         AwkwardRow(u"3"_qs), AwkwardRow(u"1"_qs)};
  EXPECT_EQ(journal->Rows(), expectedRows);
  const JournalSummary summary = journal->Summary();
  EXPECT_EQ(summary.tasksDone, 2);
  EXPECT_EQ(summary.tasksTotal, 3);
  EXPECT_EQ(summary.rows, 4);
  EXPECT_FALSE(summary.finished);
}

TEST_F(JobJournalTest, SummaryFollowsTheJobFromStartToFinishAndTheNextStart) {
  auto journal = Open();
  EXPECT_FALSE(journal->HasJob());
  EXPECT_FALSE(journal->Summary().lastWrite.isValid());
  EXPECT_THROW(journal->MarkFinished(), std::runtime_error);
  EXPECT_THROW(journal->StartJob(AwkwardInputs(), {u"only one"_qs}), std::invalid_argument);

  const QDateTime before = QDateTime::currentDateTimeUtc().addMSecs(-1);
  journal->StartJob(journal_test::SampleJobInputs(), journal_test::SampleFirstAddresses());
  journal_test::CommitSamplePages(*journal, 0, [](int) {});
  journal->MarkFinished();
  JournalSummary summary = journal->Summary();
  EXPECT_EQ(summary.tasksDone, journal_test::SampleTaskCount());
  EXPECT_EQ(summary.tasksTotal, journal_test::SampleTaskCount());
  EXPECT_EQ(summary.rows, journal_test::SampleRowsAfter(journal_test::SamplePageCount()).size());
  EXPECT_TRUE(summary.finished);
  EXPECT_GE(summary.lastWrite, before);
  EXPECT_LE(summary.lastWrite, QDateTime::currentDateTimeUtc().addMSecs(1));

  // The next start replaces the finished job entirely.
  const JournalInputs next = AwkwardInputs();
  journal->StartJob(next, {u"a"_qs, u"b"_qs, u"c"_qs});
  summary = journal->Summary();
  EXPECT_EQ(summary.tasksDone, 0);
  EXPECT_EQ(summary.tasksTotal, 3);
  EXPECT_EQ(summary.rows, 0);
  EXPECT_FALSE(summary.finished);
  EXPECT_EQ(journal->Inputs(), next);
  EXPECT_EQ(journal->Progress(), (QList<TaskProgress>{{u"a"_qs}, {u"b"_qs}, {u"c"_qs}}));
}

// A page for a task that does not exist or is already walked would double rows on resume; it is
// refused, and the rows it brought are taken back with it.
TEST_F(JobJournalTest, RefusedPageLeavesNeitherRowsNorProgress) {
  auto journal = Open();
  journal->StartJob(AwkwardInputs(), {u"a"_qs, u"b"_qs, u"c"_qs});
  journal->CommitPage(1, {AwkwardRow(u"1"_qs)}, {QString(), 1, 1, true});
  const QList<TaskProgress> progress = journal->Progress();
  const QList<ResultRow> rows = journal->Rows();

  for (const int task : {1, 3, -1}) {
    SCOPED_TRACE(task);
    try {
      journal->CommitPage(task, {AwkwardRow(u"2"_qs), AwkwardRow(u"3"_qs)},
                          {QString(), 3, 3, true});
      ADD_FAILURE() << "committed";
    } catch (const std::runtime_error& error) {
      // Named as the user counts tasks, from 1.
      EXPECT_TRUE(QString::fromUtf8(error.what())
                      .startsWith(u"Страница задачи %1 не записана"_qs.arg(task + 1)))
          << error.what();
    }
    EXPECT_EQ(journal->Progress(), progress);
    EXPECT_EQ(journal->Rows(), rows);
  }
  journal->CommitPage(0, {AwkwardRow(u"9"_qs)}, {QString(), 1, 1, true});
  EXPECT_EQ(journal->Rows().size(), 2);
}

// Workers finish pages in any order and on their own threads; each task's rows stay together
// and in their own order.
TEST_F(JobJournalTest, WorkersCommittingAtOnceKeepEveryRowInTaskOrder) {
  auto journal = Open();
  journal->StartJob(journal_test::SampleJobInputs(), journal_test::SampleFirstAddresses());
  constexpr int kWorkers = 4;
  std::vector<std::thread> workers;
  for (int worker = 0; worker < kWorkers; ++worker) {
    workers.emplace_back([&, worker] {
      for (int page = 0; page < journal_test::SamplePageCount(); ++page) {
        const journal_test::SamplePage sample = journal_test::SamplePageAt(page);
        if (sample.task % kWorkers == worker)
          journal->CommitPage(sample.task, sample.rows, sample.progress);
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  const int all = journal_test::SamplePageCount();
  EXPECT_EQ(journal->Rows(), journal_test::SampleRowsAfter(all));
  EXPECT_EQ(journal->Progress(), journal_test::SampleProgressAfter(all));
}

TEST(JobJournalFolder, FolderThatCannotHoldAJournalIsRefusedWithItsName) {
  QTemporaryDir sandbox;
  const QString file = QDir(sandbox.path()).filePath(u"plain-file"_qs);
  QFile(file).open(QIODevice::WriteOnly);
  for (const QString& folder : {QDir(sandbox.path()).filePath(u"missing"_qs), file}) {
    SCOPED_TRACE(folder.toStdString());
    QString setAside = u"stale"_qs;
    try {
      OpenTestJournal(folder, &setAside);
      ADD_FAILURE() << "opened";
    } catch (const std::runtime_error& error) {
      EXPECT_NE(QString::fromUtf8(error.what()).indexOf(QDir::toNativeSeparators(folder)), -1);
    }
    EXPECT_EQ(setAside, QString());
  }
}

}  // namespace
}  // namespace korvath
