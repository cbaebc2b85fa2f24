#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "results/job_window.h"

namespace korvath::testing {

// A front end without widgets that records what a job shows. Hand-offs run the routine directly
// on the calling thread, or on the thread of `uiObject` when one is given.
class FakeJobWindow final : public JobWindow {
 public:
  struct Shown {
    ProgressBarId bar;
    int maximum;
    int position;
  };

  QObject* uiObject = nullptr;
  // Called on the user-interface side for every log entry, as a user action during it would be.
  std::function<void(const QString& message)> onLogEntry;
  // Called after every hand-off has run its routine.
  std::function<void()> afterHandOff;
  std::function<void()> onStartResumeTimer;

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
  int RetryCount() const override;
  bool CapEnabled() const override;
  int CapValue() const override;
  int QueryLineCount() const override;
  QString QueryLine(int index) const override;

  void SetQueries(QStringList lines);
  void SetInterval(int seconds);
  void SetRetry(int count);
  void SetCap(bool enabled, int value);

  // The log entries with their time stamps cut off (entries without one stay whole).
  QStringList Messages() const;
  int CountMessages(const QString& message) const;
  std::vector<Shown> Progress() const;
  int HandOffCount() const;
  int ResumeTimerStarts() const;
  std::vector<bool> InputsEnabled() const;

 private:
  mutable std::mutex mutex_;
  QStringList log_;
  std::vector<Shown> progress_;
  std::map<ProgressBarId, int> maxima_;
  std::vector<bool> inputsEnabled_;
  QStringList queries_;
  int handOffs_ = 0;
  int resumeTimerStarts_ = 0;
  int interval_ = 0;
  int retry_ = 20;
  bool capEnabled_ = false;
  int cap_ = 10;
};

}  // namespace korvath::testing
