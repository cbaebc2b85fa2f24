#include "cli/headless_window.h"

#include "cli/ui_turn.h"
#include "platform/work_thread.h"

#include <gtest/gtest.h>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>

namespace korvath {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using TempStream = std::unique_ptr<std::FILE, FileCloser>;

QString Contents(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  QByteArray bytes;
  char chunk[256];
  while (const std::size_t n = std::fread(chunk, 1, sizeof chunk, file)) {
    bytes.append(chunk, static_cast<qsizetype>(n));
  }
  return QString::fromLocal8Bit(bytes);
}

TEST(HeadlessWindow, PrintsEntriesWithPlainLineBreaksAndKeepsThemWhole) {
  TempStream out(std::tmpfile());
  HeadlessWindow window({}, out.get(), nullptr, false);
  window.AppendLogEntry(u"09.12.2026 14:00:00: \r\n\r\nЗапускаем запрос \"окна\""_qs);
  window.AppendLogEntry(u"Задайте список запросов! Пример: \r\nтруба бесшовная\r\n"_qs);

  EXPECT_EQ(Contents(out.get()),
            u"09.12.2026 14:00:00: \n\nЗапускаем запрос \"окна\"\n"
            "Задайте список запросов! Пример: \nтруба бесшовная\n\n"_qs);
  // The log file is saved from these entries, so they keep their CR LF.
  EXPECT_EQ(window.LogLines(),
            QStringList({u"09.12.2026 14:00:00: \r\n\r\nЗапускаем запрос \"окна\""_qs,
                         u"Задайте список запросов! Пример: \r\nтруба бесшовная\r\n"_qs}));
  window.ClearLog();
  EXPECT_TRUE(window.LogLines().isEmpty());
}

TEST(HeadlessWindow, ProgressLineStaysOffTheLogStream) {
  TempStream out(std::tmpfile());
  TempStream progress(std::tmpfile());
  HeadlessWindow window({}, out.get(), progress.get(), false);
  window.ShowProgress(ProgressBarId::Stages, 5, 1, u"1 из 5, осталось 4"_qs);
  window.ShowProgress(ProgressBarId::Regions, 2, 1, u"1 из 2, осталось 1"_qs);
  window.AppendLogEntry(u"строка"_qs);

  EXPECT_EQ(Contents(out.get()), u"строка\n"_qs);
  // Each redraw first erases the line it replaces, so a log line never lands inside it.
  const QString stages = u"Запросы: 1 из 5, осталось 4  |  Регионы: "_qs;
  const QString both = stages + u"1 из 2, осталось 1"_qs;
  EXPECT_EQ(Contents(progress.get()), stages + u"\r\x1b[K"_qs + both + u"\r\x1b[K"_qs + both);
  EXPECT_EQ(window.ProgressMaximum(ProgressBarId::Stages), 5);
  EXPECT_EQ(window.ProgressMaximum(ProgressBarId::Regions), 2);
}

TEST(HeadlessWindow, StatusLineFollowsTheCountsUnderTheLogLines) {
  TempStream out(std::tmpfile());
  TempStream progress(std::tmpfile());
  HeadlessWindow window({}, out.get(), progress.get(), false);
  window.ShowProgress(ProgressBarId::Regions, 5, 3, u"3 из 5, осталось 2"_qs);
  JobStatus status;
  status.queriesTotal = 2;
  status.rows = 7;
  window.ShowJobStatus(status);
  const QString first = u"Запрос 0 из 0 · регион 3 из 5 · строк 7 · обращений 0 · блокировок 0"_qs;
  EXPECT_TRUE(Contents(progress.get()).endsWith(u"\r\x1b[K"_qs + first));
  // A row a moment later is not worth a redraw of its own; the next log line brings it.
  status.rows = 8;
  window.ShowJobStatus(status);
  EXPECT_TRUE(Contents(progress.get()).endsWith(first));
  window.AppendLogEntry(u"строка"_qs);
  EXPECT_TRUE(Contents(progress.get())
                  .endsWith(u"\r\x1b[K"_qs + QString(first).replace(u"строк 7"_qs, u"строк 8"_qs)));
  EXPECT_EQ(Contents(out.get()), u"строка\n"_qs);
}

TEST(HeadlessWindow, ResumeTimerGoesToItsOwner) {
  TempStream out(std::tmpfile());
  HeadlessWindow window({}, out.get(), nullptr, false);
  window.StartResumeTimer();  // no owner yet: nothing to arm
  int armed = 0;
  window.SetResumeTimerStarter([&armed] { ++armed; });
  window.StartResumeTimer();
  EXPECT_EQ(armed, 1);
}

TEST(HeadlessWindow, HandedOffRoutinesNeverOverlapTheMainThreadsEvents) {
  int argc = 1;
  char name[] = "cli_run_tests";
  char* argv[] = {name, nullptr};
  TurnTakingApplication app(argc, argv);
  TempStream out(std::tmpfile());
  HeadlessWindow window({}, out.get(), nullptr, false);

  // Both sides change `shared` without a lock of their own, as the window's state is changed; a
  // routine that ran while an event was being delivered would see `eventRunning` set.
  std::atomic<bool> eventRunning = false;
  bool overlapped = false;
  int shared = 0;
  QTimer busyEvents;
  busyEvents.setInterval(0);
  QObject::connect(&busyEvents, &QTimer::timeout, [&] {
    eventRunning = true;
    ++shared;
    std::this_thread::yield();
    eventRunning = false;
  });
  busyEvents.start();

  constexpr int kHandOffs = 2000;
  WorkThread job([&] {
    for (int i = 0; i < kHandOffs; ++i) {
      window.HandOff([&] {
        if (eventRunning) overlapped = true;
        ++shared;
      });
    }
    QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
  });
  {
    // Outside the event loop the main thread holds the turn, as the headless run does.
    std::lock_guard turn(UiTurn());
    std::this_thread::yield();
  }
  app.exec();
  job.Join();

  EXPECT_FALSE(overlapped);
  EXPECT_GT(shared, kHandOffs);
}

}  // namespace
}  // namespace korvath
