#include "cli/run_start.h"

#include "engine/job_folders.h"
#include "support/journal_writer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvath {
namespace {

enum class Journal { None, Interrupted, Finished };

class RunStartTest : public ::testing::Test {
 protected:
  RunStartTest() {
    QFile keywords(QDir(folder_.path()).filePath(u"keywords.txt"_qs));
    EXPECT_TRUE(keywords.open(QIODevice::WriteOnly));
    keywords.write("\xEF\xBB\xBFокна\r\n");
  }

  static JournalInputs Interrupted() {
    JournalInputs inputs = testing::JobInputs({u"труба"_qs, u"двери"_qs}, {u"Москва=213"_qs});
    inputs.retryCount = 5;
    inputs.capEnabled = true;
    inputs.capValue = 7;
    return inputs;
  }

  void Write(Journal journal) const {
    if (journal != Journal::None)
      testing::WriteJournal(folder_.path(), Interrupted(), 1, journal == Journal::Finished);
  }

  // What PrepareRunStart refuses with; empty when it lets the job start.
  std::string Refusal(const RunOptions& options, RunStart& start) const {
    QStringList notices;
    try {
      start = PrepareRunStart(options, folder_.path(), notices);
    } catch (const std::runtime_error& refusal) {
      return refusal.what();
    }
    EXPECT_TRUE(notices.isEmpty()) << notices.join(u'\n').toStdString();
    return {};
  }

  QTemporaryDir folder_;
};

TEST_F(RunStartTest, InterruptedJobIsContinuedOnlyWhenAskedAndNeverThrownAwayUnasked) {
  enum Outcome { NewJob, Resumed, Refused };
  const struct {
    const char* name;
    Journal journal;
    InterruptedJobChoice choice;
    Outcome outcome;
    std::vector<const char*> refusalParts;
  } cases[] = {
      {"no journal", Journal::None, InterruptedJobChoice::Refuse, NewJob, {}},
      {"no journal, fresh", Journal::None, InterruptedJobChoice::Fresh, NewJob, {}},
      {"no journal, resume",
       Journal::None,
       InterruptedJobChoice::Resume,
       Refused,
       {"--resume: nothing to resume"}},
      {"interrupted",
       Journal::Interrupted,
       InterruptedJobChoice::Refuse,
       Refused,
       {"holds an interrupted job: Выполнено заданий (запрос в регионе): 1 из 2, собрано строк: 1",
        "Give --resume to continue it, or --fresh to start a new job"}},
      {"interrupted, resume", Journal::Interrupted, InterruptedJobChoice::Resume, Resumed, {}},
      {"interrupted, fresh", Journal::Interrupted, InterruptedJobChoice::Fresh, NewJob, {}},
      {"completed", Journal::Finished, InterruptedJobChoice::Refuse, NewJob, {}},
      {"completed, resume",
       Journal::Finished,
       InterruptedJobChoice::Resume,
       Refused,
       {"nothing to resume"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QFile::remove(QDir(folder_.path()).filePath(u"job.sqlite"_qs));
    Write(c.journal);
    RunOptions options;
    options.interval = std::chrono::milliseconds(1500);
    options.interruptedJob = c.choice;
    if (c.choice != InterruptedJobChoice::Resume) options.regions = QStringList{u"A=1"_qs};
    RunStart start;
    const std::string refusal = Refusal(options, start);
    if (c.outcome == Refused) {
      for (const char* part : c.refusalParts)
        EXPECT_NE(refusal.find(part), std::string::npos) << refusal;
      continue;
    }
    ASSERT_EQ(refusal, std::string());
    ASSERT_NE(start.journal, nullptr);
    EXPECT_EQ(start.resume, c.outcome == Resumed);
    EXPECT_EQ(start.settings.intervalMs, 1500);
    if (c.outcome == Resumed) {
      EXPECT_EQ(start.settings.queryLines, Interrupted().queryLines);
      EXPECT_EQ(start.regions, Interrupted().regionEntries);
      EXPECT_EQ(start.settings.retryCount, 5);
      EXPECT_TRUE(start.settings.capEnabled);
      EXPECT_EQ(start.settings.capValue, 7);
    } else {
      EXPECT_EQ(start.settings.queryLines, QStringList{u"окна"_qs});
      EXPECT_EQ(start.regions, QStringList{u"A=1"_qs});
      EXPECT_EQ(start.settings.retryCount, 20);
      EXPECT_FALSE(start.settings.capEnabled);
    }
  }
}

// A job running in the folder may be the journal's own: its state is not for this run to judge.
TEST_F(RunStartTest, FolderOfARunningJobIsRefusedBeforeItsJournalIsRead) {
  Write(Journal::Interrupted);
  const ProgramFolderLock otherJob(folder_.path());
  RunOptions options;
  options.interruptedJob = InterruptedJobChoice::Resume;
  RunStart start;
  const std::string refusal = Refusal(options, start);
  EXPECT_NE(refusal.find("уже идёт работа"), std::string::npos) << refusal;
}

}  // namespace
}  // namespace korvath
