#include "engine/scraper_tasks_fixture.h"

namespace korvath::testing {
namespace {

using ScraperJournalTest = ScraperTasksTest;

TEST_F(ScraperJournalTest, AFinishedJobLeavesItsRowsInAFinishedJournal) {
  RunWith(OpenJournal(), false);

  ASSERT_EQ(job->Table().RowCount(), kRows);
  const JournalSummary summary = journal->Summary();
  EXPECT_TRUE(summary.finished);
  EXPECT_EQ(summary.tasksDone, 4);
  EXPECT_EQ(summary.tasksTotal, 4);
  ResultTable fromJournal;
  for (const ResultRow& row : journal->Rows()) fromJournal.Append(row);
  EXPECT_EQ(Rows(fromJournal), Rows(job->Table()));
  EXPECT_EQ(journal->Inputs().queryLines, QStringList({u"труба"_qs, QString(), u"окно"_qs}));
}

// Stopped after any request and resumed, the job ends with the table of a job never stopped,
// and asks again for no results page but the one it was on.
TEST_F(ScraperJournalTest, AJobStoppedAnywhereResumesToTheSameTable) {
  RunJob();
  const QStringList uninterrupted = Rows(job->Table());
  const int requests = int(web.Requests().size());
  ASSERT_EQ(uninterrupted.size(), kRows);

  for (int stopAt = 1; stopAt <= requests; ++stopAt) {
    SCOPED_TRACE(stopAt);
    const qsizetype before = web.Requests().size();
    RunStoppedAt(stopAt);
    ASSERT_FALSE(journal->Summary().finished);

    RunWith(journal, true);
    EXPECT_EQ(Rows(job->Table()), uninterrupted);
    EXPECT_TRUE(journal->Summary().finished);
    EXPECT_LE(web.Requests().mid(before).filter(u"/search/"_qs).size(), kResultsPages + 1);
    EXPECT_EQ(window.Messages().filter(u"Продолжаем прерванный сбор: выполнено задач"_qs).size(),
              1);
  }
}

// A task left after too many failures keeps the rows it gave and is not walked again.
TEST_F(ScraperJournalTest, AGivenUpTaskIsDoneInTheJournal) {
  giveUpAfter = 2;
  web.Script(Card(1), {Failure("HTTP/1.1 500 Internal Server Error", 500)});
  RunWith(OpenJournal(), false);

  ASSERT_EQ(job->Ending().givenUp.size(), 1);
  EXPECT_TRUE(journal->Progress().at(0).done);
  EXPECT_EQ(journal->Rows().size(), job->Table().RowCount());
  EXPECT_TRUE(journal->Summary().finished);
}

}  // namespace
}  // namespace korvath::testing
