#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

#include "results/job_window.h"

namespace korvath::testing {

// A front end without widgets that records what a job shows. Hand-offs run the routine directly
// on the calling thread, or on the thread of `uiObject` when one is given.
class FakeJobWindow final : public JobWindow {
  template <typename F>
  auto Locked(F f) const {
    std::lock_guard lock(mutex_);
    return f();
  }

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

  std::atomic<int> interval = 0;
  std::atomic<int> retry = 20;
  std::atomic<bool> capEnabled = false;
  std::atomic<int> cap = 10;
  std::atomic<int> handOffs = 0;
  std::atomic<int> resumeTimerStarts = 0;

  void HandOff(const std::function<void()>& routine) override;
  void AppendLogEntry(const QString& entry) override;
  void ClearLog() override {
    Locked([&] { log_.clear(); });
  }
  QStringList LogLines() const override {
    return Locked([&] { return log_; });
  }
  void ShowProgress(ProgressBarId bar, int maximum, int position, const QString&) override {
    Locked([&] { progress_.push_back({bar, maximum, position}); });
  }
  int ProgressMaximum(ProgressBarId bar) const override;
  void ProcessPendingEvents() override;
  void SetInputsEnabled(bool enabled) override {
    Locked([&] { inputsEnabled_.push_back(enabled); });
  }
  void StartResumeTimer() override;
  void OpenDocument(const QString&) override {}
  int IntervalSeconds() const override { return interval; }
  int RetryCount() const override { return retry; }
  bool CapEnabled() const override { return capEnabled; }
  int CapValue() const override { return cap; }
  int QueryLineCount() const override {
    return Locked([&] { return int(queries_.size()); });
  }
  QString QueryLine(int index) const override {
    return Locked([&] { return queries_.value(index); });
  }

  void SetQueries(const QStringList& lines) {
    Locked([&] { queries_ = lines; });
  }
  // The log entries with their time stamps cut off (entries without one stay whole).
  QStringList Messages() const;
  int CountMessages(const QString& message) const { return int(Messages().count(message)); }
  std::vector<Shown> Progress() const {
    return Locked([&] { return progress_; });
  }
  std::vector<bool> InputsEnabled() const {
    return Locked([&] { return inputsEnabled_; });
  }

 private:
  std::mutex handOffMutex_;
  mutable std::mutex mutex_;
  QStringList log_;
  std::vector<Shown> progress_;
  std::vector<bool> inputsEnabled_;
  QStringList queries_;
};

}  // namespace korvath::testing
