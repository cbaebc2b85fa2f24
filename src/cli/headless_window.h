#pragma once

#include "results/job_window.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>

namespace korvath {

// The settings and queries that the window's controls would hold; fixed for one headless run.
struct HeadlessSettings {
  int intervalMs = 3000;
  int retryCount = 20;
  bool capEnabled = false;
  int capValue = 10;
  QStringList queryLines;
};

// The job's window when there is no display: log entries go to `logOut` as they come, the two
// bars, and once the job reports its counts a status line of them, are drawn as one line on
// `progressOut` (null when that stream is not a terminal) below the log lines, and the
// results file is remembered instead of opened unless opening was asked for. Its user-interface
// thread is the turn of ui_turn.h: a hand-off runs the routine on the job's thread while holding
// the turn, so the process's application must be a TurnTakingApplication.
class HeadlessWindow final : public QObject, public JobWindow {
  Q_OBJECT

 public:
  HeadlessWindow(HeadlessSettings settings, std::FILE* logOut, std::FILE* progressOut,
                 bool openResults);
  // Takes the progress line off the terminal, so that nothing printed later lands inside it.
  ~HeadlessWindow() override;

  // Who arms the resume timer: job control owns it, the window only passes the request on.
  void SetResumeTimerStarter(std::function<void()> starter);

  void HandOff(const std::function<void()>& routine) override;
  void AppendLogEntry(const QString& entry) override;
  void ClearLog() override;
  QStringList LogLines() const override;
  void ShowProgress(ProgressBarId bar, int maximum, int position, const QString& hint) override;
  int ProgressMaximum(ProgressBarId bar) const override;
  void ProcessPendingEvents() override;
  void SetInputsEnabled(bool enabled) override;
  void StartResumeTimer() override;
  void OpenDocument(const QString& path) override;
  int IntervalSeconds() const override;
  int IntervalMilliseconds() const override;
  int RetryCount() const override;
  bool CapEnabled() const override;
  int CapValue() const override;
  int QueryLineCount() const override;
  QString QueryLine(int index) const override;
  void ShowJobStatus(const JobStatus& status) override;

 private:
  struct Bar {
    int maximum = 0;
    QString hint;
  };

  Bar& BarOf(ProgressBarId bar);
  const Bar& BarOf(ProgressBarId bar) const;
  void EraseProgressLine();
  void DrawProgressLine();

  HeadlessSettings settings_;
  std::FILE* logOut_;
  std::FILE* progressOut_;
  bool openResults_;
  std::function<void()> resumeTimerStarter_;
  QStringList log_;
  Bar regions_;
  Bar stages_;
  bool progressShown_ = false;
  int regionsPosition_ = 0;
  int stagesPosition_ = 0;
  std::optional<JobStatus> status_;
  std::chrono::steady_clock::time_point statusDrawn_;
};

}  // namespace korvath
