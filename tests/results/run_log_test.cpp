#include "results/run_log.h"
#include "fake_job_window.h"
#include "textutil/text_file.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvath {
namespace {

TEST(RunLog, LogFileNameReadsTickAsSigned32Bit) {
  const std::pair<quint32, const char*> cases[] = {
      {0u, "log-0.txt"},
      {0x7FFFFFFFu, "log-2147483647.txt"},
      {0x80000000u, "log--2147483648.txt"},
      {0xFFFFFFFFu, "log--1.txt"},
  };
  for (const auto& [tick, name] : cases) EXPECT_EQ(LogFileName(tick), QLatin1String(name));
}

TEST(RunLog, LineKeepsLeadingLineBreaksAfterTimestamp) {
  const QString line = LogLine(u"\r\n\r\nЗапрос: окна"_qs);
  EXPECT_GT(line.indexOf(u": \r\n\r\nЗапрос: окна"), 0);
  EXPECT_TRUE(line.endsWith(u": \r\n\r\nЗапрос: окна"));
}

TEST(RunLog, StartAndFinishStates) {
  QTemporaryDir dir;
  FakeJobWindow window;
  window.entries = {u"previous job"_qs};
  UpdateRunState(window, true, dir.path());
  UpdateRunState(window, false, dir.path());

  const QStringList files = QDir(dir.path()).entryList(QDir::Files);
  ASSERT_EQ(files.size(), 1);
  EXPECT_EQ(window.Messages(), (QStringList{u"Начинаем работу."_qs, u"Работа завершена"_qs,
                                            u"Лог записан в файл "_qs + files[0]}));
  EXPECT_EQ(ReadTextLines(QDir(dir.path()).filePath(files[0])), window.entries);
  EXPECT_EQ(window.events, (QStringList{u"disable"_qs, u"enable"_qs}));
}

TEST(RunLog, UnwritableLogIsReportedAndInputsStillUnlock) {
  QTemporaryDir dir;
  FakeJobWindow window;
  UpdateRunState(window, false, QDir(dir.path()).filePath(u"gone"_qs));
  // No claim that the log is in a file that is not there.
  ASSERT_EQ(window.Messages().size(), 2);
  EXPECT_TRUE(window.Messages()[1].startsWith(u"Ошибка записи Не удаётся создать файл"_qs))
      << window.Messages()[1].toStdString();
  EXPECT_EQ(window.events, QStringList{u"enable"_qs});
}

}  // namespace
}  // namespace korvath
