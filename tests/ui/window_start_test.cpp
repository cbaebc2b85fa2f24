#include "form_fixture.h"

#include "inputs/region_catalogue.h"
#include "support/journal_writer.h"
#include "ui/memo_lines.h"
#include "ui/window_settings.h"

#include <QCheckBox>
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>

#include <gtest/gtest.h>

namespace korvath::testing {
namespace {

enum Answer { kContinue, kStartAnew, kCancel };

// Start with the small catalogue: the window's own inputs are "окна" in E, and the journal may
// hold an interrupted job over other queries in C and D.
class WindowStart : public FormTest {
 protected:
  WindowStart() {
    WriteFile(u"regions.html"_qs, SmallCatalogue());
    WriteFile(u"selection1.txt"_qs, "E (50)\r\n");
    WriteFile(u"keywords.txt"_qs, "окна\r\n");
    jobsStart_ = false;
  }

  static JournalInputs Interrupted() {
    JournalInputs inputs = JobInputs({u"труба"_qs, u"двери"_qs}, {u"C=30"_qs, u"D=40"_qs});
    inputs.retryCount = 5;
    inputs.capEnabled = true;
    inputs.capValue = 7;
    return inputs;
  }

  // The inputs that the window shows: queries, ticked regions, retry, cap and its box.
  std::string Inputs() {
    return u"%1|%2|%3|%4|%5"_qs.arg(MemoLines(Control<QPlainTextEdit>("KeywordsMemo")).join(u','))
        .arg(CollectCheckedRegions(Form().Regions()).join(u','))
        .arg(Control<QSpinBox>("RetrySpinEdit").value())
        .arg(Control<QCheckBox>("Limit10CheckBox").isChecked())
        .arg(Control<QSpinBox>("LimitSpinEdit").value())
        .toStdString();
  }
};

TEST_F(WindowStart, InterruptedJobIsOfferedAndEachAnswerDoesWhatItSays) {
  const struct {
    const char* name;
    Answer answer;
    bool started;
    bool resume;
    std::string inputs;
    QStringList regions;
  } cases[] = {
      {"continue", kContinue, true, true, "труба,двери|C=30,D=40|5|1|7", {u"C=30"_qs, u"D=40"_qs}},
      {"start anew", kStartAnew, true, false, "окна|E=50|20|0|10", {u"E=50"_qs}},
      {"cancel", kCancel, false, false, "окна|E=50|20|0|10", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    questions_.clear();
    startedJobs_.clear();
    QFile::remove(QDir(Folder()).filePath(u"job.sqlite"_qs));
    WriteJournal(Folder(), Interrupted(), 1);
    ShowForm();
    Control<QSpinBox>("WorkersSpinEdit").setValue(6);
    questionAnswer_ = c.answer;
    Control<QPushButton>("StartButton").click();

    ASSERT_EQ(questions_.size(), 1u);
    EXPECT_EQ(questions_[0].caption, u"Korvath"_qs);
    EXPECT_EQ(questions_[0].text.section(u'\n', 0, 1), u"Продолжить прерванный сбор?\n"_qs);
    EXPECT_TRUE(questions_[0].text.contains(
        u"Выполнено задач (запрос в регионе): 1 из 4, собрано строк: 1, сбор остановлен "_qs))
        << questions_[0].text.toStdString();
    EXPECT_EQ(questions_[0].answers,
              (QStringList{u"Продолжить"_qs, u"Начать заново"_qs, u"Отмена"_qs}));
    EXPECT_EQ(Inputs(), c.inputs);
    ASSERT_EQ(startedJobs_.size(), c.started ? 1u : 0u);
    if (!c.started) continue;
    const StartedJob& job = startedJobs_[0];
    EXPECT_EQ(job.checkedRegions, c.regions);
    EXPECT_EQ(job.config.resume, c.resume);
    EXPECT_EQ(job.config.workers, 6);
    ASSERT_NE(job.config.journal, nullptr);
    EXPECT_EQ(job.config.journal->Inputs(), Interrupted());
    EXPECT_TRUE(messages_.empty());
  }
}

// The user learns where an unreadable journal went, in a box that the job's start does not clear.
TEST_F(WindowStart, UnreadableJournalIsShownSetAsideAndANewJobStarts) {
  WriteFile(u"job.sqlite"_qs, "somebody's notes");
  ShowForm();
  Control<QPushButton>("StartButton").click();
  EXPECT_TRUE(questions_.empty());
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_TRUE(messages_[0].text.contains(u"не удалён"_qs)) << messages_[0].text.toStdString();
  ASSERT_EQ(startedJobs_.size(), 1u);
  EXPECT_FALSE(startedJobs_[0].config.resume);
  EXPECT_NE(startedJobs_[0].config.journal, nullptr);
}

TEST_F(WindowStart, WorkersAreKeptBetweenRunsOfTheWindow) {
  ShowForm();
  auto& workers = Control<QSpinBox>("WorkersSpinEdit");
  EXPECT_EQ(std::make_tuple(workers.value(), workers.minimum(), workers.maximum()),
            std::make_tuple(1, 1, 64));
  workers.setValue(12);
  ASSERT_TRUE(Form().close());
  EXPECT_TRUE(ReadFile(u"korvath.ini"_qs).contains("workers=12"));
  ShowForm();
  EXPECT_EQ(Control<QSpinBox>("WorkersSpinEdit").value(), 12);
}

TEST_F(WindowStart, AnAutomaticPaceIsKeptAndGoesToTheJob) {
  ShowForm();
  Control<QCheckBox>("AutoIntervalCheckBox").setChecked(true);
  ASSERT_TRUE(Form().close());
  ShowForm();
  EXPECT_TRUE(Control<QCheckBox>("AutoIntervalCheckBox").isChecked());
  Control<QPushButton>("StartButton").click();
  ASSERT_EQ(startedJobs_.size(), 1u);
  EXPECT_TRUE(startedJobs_[0].config.pace.automatic && startedJobs_[0].config.paceMemory);
}

TEST_F(WindowStart, SettingsThatCannotBeSavedAreShownAtTheClose) {
  ShowForm();
  ASSERT_TRUE(QDir(Folder()).mkdir(u"korvath.ini"_qs));
  EXPECT_FALSE(Form().close());
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_TRUE(messages_[0].text.contains(u"korvath.ini"_qs)) << messages_[0].text.toStdString();
}

TEST_F(WindowStart, UnusableSavedWorkersAreSaidAndLeftAtOne) {
  for (const char* saved : {"0", "65", "abc"}) {
    SCOPED_TRACE(saved);
    WriteFile(u"korvath.ini"_qs, QByteArray("[General]\nworkers=") + saved + "\n");
    ShowForm();
    EXPECT_EQ(Control<QSpinBox>("WorkersSpinEdit").value(), 1);
    const QStringList said = LogLines().filter(u"число потоков"_qs);
    ASSERT_EQ(said.size(), 1) << LogLines().join(u'\n').toStdString();
    EXPECT_TRUE(said[0].contains(QDir::toNativeSeparators(WindowSettingsPath(Folder()))));
  }
}

}  // namespace
}  // namespace korvath::testing
