#include "engine/interrupted_job.h"

#include "support/journal_writer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvath {
namespace {

using testing::JobInputs;
using testing::WriteJournal;

TEST(InterruptedJob, OnlyAJobThatDidNotCompleteIsOfferedToContinue) {
  const JournalInputs inputs = JobInputs({u"окна"_qs, u"двери"_qs}, {u"A=1"_qs, u"B=2"_qs});
  const struct {
    const char* name;
    int tasksDone;  // -1: no job in the journal
    bool finished;
    bool offered;
  } cases[] = {
      {"no journal", -1, false, false}, {"nothing done yet", 0, false, true},
      {"halfway", 3, false, true},      {"every task done but not saved", 4, false, true},
      {"completed", 4, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir folder;
    if (c.tasksDone >= 0) WriteJournal(folder.path(), inputs, c.tasksDone, c.finished);
    QStringList setAside;
    const JournalAtStart found =
        OpenJournalAtStart(folder.path(), [&](const QString& text) { setAside.append(text); });
    ASSERT_NE(found.journal, nullptr);
    EXPECT_TRUE(setAside.isEmpty());
    ASSERT_EQ(found.interrupted.has_value(), c.offered);
    if (!c.offered) continue;
    EXPECT_EQ(found.interrupted->tasksDone, c.tasksDone);
    EXPECT_EQ(found.interrupted->tasksTotal, 4);
    EXPECT_EQ(found.interrupted->rows, c.tasksDone);
    EXPECT_EQ(found.journal->Inputs(), inputs);
  }
}

TEST(InterruptedJob, UnreadableJournalIsSetAsideAndSaidSo) {
  QTemporaryDir folder;
  QFile file(QDir(folder.path()).filePath(u"job.sqlite"_qs));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("not a journal at all, but somebody's notes");
  file.close();
  QStringList setAside;
  const JournalAtStart found =
      OpenJournalAtStart(folder.path(), [&](const QString& text) { setAside.append(text); });
  EXPECT_FALSE(found.interrupted.has_value());
  ASSERT_EQ(setAside.size(), 1);
  EXPECT_TRUE(setAside[0].contains(u"не удалён"_qs)) << setAside[0].toStdString();
  EXPECT_EQ(QDir(folder.path()).entryList({u"job-unreadable-*"_qs}, QDir::Files).size(), 1);
}

TEST(InterruptedJob, FolderThatCannotHoldAJournalIsAnError) {
  QTemporaryDir folder;
  const QString missing = QDir(folder.path()).filePath(u"gone"_qs);
  EXPECT_THROW(OpenJournalAtStart(missing, [](const QString&) {}), std::runtime_error);
}

TEST(InterruptedJob, TextSaysWhatWasDoneAndWhenItStoppedInLocalTime) {
  JournalSummary summary;
  summary.tasksDone = 3;
  summary.tasksTotal = 10;
  summary.rows = 240;
  summary.lastWrite = QDateTime(QDate(2024, 3, 5), QTime(7, 4, 59)).toUTC();
  EXPECT_EQ(InterruptedJobText(summary),
            u"Выполнено заданий (запрос в регионе): 3 из 10, собрано строк: 240, сбор "
            u"остановлен 05.03.2024 07:04."_qs);
  summary.lastWrite = QDateTime();
  EXPECT_EQ(InterruptedJobText(summary),
            u"Выполнено заданий (запрос в регионе): 3 из 10, собрано строк: 240."_qs);
}

}  // namespace
}  // namespace korvath
