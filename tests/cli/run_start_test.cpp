#include "cli/run_start.h"

#include "engine/job_folders.h"
#include "support/journal_writer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvath {
namespace {

using Choice = InterruptedJobChoice;

// What a run starts with for each journal and choice; the refusals that end with exit status 2
// are seen end to end in CliJournal.
TEST(RunStart, InterruptedJobGoesOnWithItsOwnInputsOnlyWhenAsked) {
  JournalInputs interrupted = testing::JobInputs({u"труба"_qs, u"двери"_qs}, {u"Москва=213"_qs});
  interrupted.retryCount = 5;
  interrupted.capEnabled = true;
  interrupted.capValue = 7;
  const struct {
    const char* name;
    bool finished;
    Choice choice;
    const char* refusal;  // null: it starts
  } cases[] = {
      {"resume", false, Choice::Resume, nullptr},
      {"fresh", false, Choice::Fresh, nullptr},
      {"completed job", true, Choice::Refuse, nullptr},
      {"completed job, resume", true, Choice::Resume, "--resume: nothing to resume"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir folder;
    QFile keywords(QDir(folder.path()).filePath(u"keywords.txt"_qs));
    ASSERT_TRUE(keywords.open(QIODevice::WriteOnly));
    keywords.write("\xEF\xBB\xBFокна\r\n");
    keywords.close();
    testing::WriteJournal(folder.path(), interrupted, 1, c.finished);
    RunOptions options;
    options.interruptedJob = c.choice;
    if (c.choice != Choice::Resume) options.regions = QStringList{u"A=1"_qs};
    QStringList notices;
    if (c.refusal != nullptr) {
      try {
        PrepareRunStart(options, folder.path(), notices);
        ADD_FAILURE() << "started";
      } catch (const std::runtime_error& refusal) {
        EXPECT_NE(std::string(refusal.what()).find(c.refusal), std::string::npos);
      }
      continue;
    }
    const RunStart start = PrepareRunStart(options, folder.path(), notices);
    ASSERT_NE(start.journal, nullptr);
    EXPECT_EQ(start.resume, c.choice == Choice::Resume);
    const JournalInputs expected =
        start.resume ? interrupted : testing::JobInputs({u"окна"_qs}, {u"A=1"_qs});
    EXPECT_EQ(start.settings.queryLines, expected.queryLines);
    EXPECT_EQ(start.regions, expected.regionEntries);
    EXPECT_EQ(std::make_tuple(start.settings.retryCount, start.settings.capEnabled,
                              start.settings.capValue),
              std::make_tuple(expected.retryCount, expected.capEnabled, expected.capValue));
  }
}

// The job running in the folder may be the journal's own: its state is not for this run to judge.
TEST(RunStart, FolderOfARunningJobIsRefusedBeforeItsJournalIsRead) {
  QTemporaryDir folder;
  testing::WriteJournal(folder.path(), testing::JobInputs({u"окна"_qs}, {u"A=1"_qs}), 0);
  const ProgramFolderLock otherJob(folder.path());
  QStringList notices;
  try {
    PrepareRunStart({}, folder.path(), notices);
    ADD_FAILURE() << "started";
  } catch (const std::runtime_error& refusal) {
    EXPECT_NE(std::string(refusal.what()).find("уже идёт работа"), std::string::npos);
  }
}

}  // namespace
}  // namespace korvath
