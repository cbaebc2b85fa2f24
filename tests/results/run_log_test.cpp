#include "results/run_log.h"
#include "fake_job_window.h"
#include "textutil/text_file.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "results/qt_printers.h"

namespace korvath {
namespace {

TEST(RunLog, LogFileNameReadsTickAsSigned32Bit) {
  const std::pair<quint32, const char*> cases[] = {
      {0u, "log-0.txt"},
      {123456u, "log-123456.txt"},
      {0x7FFFFFFFu, "log-2147483647.txt"},
      {0x80000000u, "log--2147483648.txt"},
      {0xFFFFFFFFu, "log--1.txt"},
  };
  for (const auto& [tick, name] : cases) EXPECT_EQ(LogFileName(tick), QLatin1String(name));
}

TEST(RunLog, LineIsTimestampColonMessageAndKeepsLineBreaks) {
  const QString line = LogLine(u"\r\n\r\nЗапрос: окна"_qs);
  const qsizetype colon = line.indexOf(u": \r\n");
  ASSERT_GT(colon, 0);
  EXPECT_EQ(line.mid(colon), u": \r\n\r\nЗапрос: окна"_qs);
}

TEST(RunLog, TimestampShowsSecondsWithoutTimeZone) {
  const QDateTime at(QDate(2026, 3, 4), QTime(13, 7, 9));
  const QString stamp = LogTimestamp(at);
  EXPECT_TRUE(stamp.contains(u"07:09") || stamp.contains(u"7:09")) << stamp.toStdString();
  EXPECT_FALSE(stamp.endsWith(u' '));
  EXPECT_FALSE(stamp.contains(at.timeZoneAbbreviation())) << stamp.toStdString();
}

TEST(RunLog, StartStateClearsLogAndLocksInputs) {
  FakeJobWindow window;
  window.entries = {u"previous job"_qs};
  UpdateRunState(window, true, QString());
  EXPECT_EQ(window.Messages(), QStringList{u"Начинаем работу."_qs});
  EXPECT_EQ(window.events, QStringList{u"disable"_qs});
}

TEST(RunLog, FinishStateSavesLogEndingWithItsOwnNameAndUnlocks) {
  QTemporaryDir dir;
  FakeJobWindow window;
  window.entries = {u"10:00: строка"_qs};
  UpdateRunState(window, false, dir.path());

  const QStringList files = QDir(dir.path()).entryList(QDir::Files);
  ASSERT_EQ(files.size(), 1);
  EXPECT_EQ(window.Messages(), (QStringList{u"строка"_qs, u"Работа завершена"_qs,
                                            u"Лог записан в файл "_qs + files[0]}));
  EXPECT_EQ(ReadTextLines(QDir(dir.path()).filePath(files[0])), window.entries);
  EXPECT_EQ(window.events, QStringList{u"enable"_qs});
}

TEST(RunLog, FinishStateReportsUnwritableLogAndStillUnlocks) {
  QTemporaryDir dir;
  FakeJobWindow window;
  UpdateRunState(window, false, QDir(dir.path()).filePath(u"gone"_qs));
  const QStringList messages = window.Messages();
  ASSERT_EQ(messages.size(), 3);
  EXPECT_TRUE(messages[2].startsWith(u"Ошибка записи Cannot create file"_qs))
      << messages[2].toStdString();
  EXPECT_EQ(window.events, QStringList{u"enable"_qs});
}

}  // namespace
}  // namespace korvath
