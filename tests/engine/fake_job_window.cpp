#include "engine/fake_job_window.h"

#include <QCoreApplication>

#include "results/ui_hand_off.h"

namespace korvath::testing {

void FakeJobWindow::HandOff(const std::function<void()>& routine) {
  {
    std::lock_guard lock(mutex_);
    ++handOffs_;
  }
  if (uiObject != nullptr) {
    BlockingHandOff(uiObject, routine);
  } else {
    routine();
  }
  if (afterHandOff) {
    afterHandOff();
  }
}

void FakeJobWindow::AppendLogEntry(const QString& entry) {
  {
    std::lock_guard lock(mutex_);
    log_.append(entry);
  }
  if (onLogEntry) {
    onLogEntry(Messages().constLast());
  }
}

void FakeJobWindow::ClearLog() {
  std::lock_guard lock(mutex_);
  log_.clear();
}

QStringList FakeJobWindow::LogLines() const {
  std::lock_guard lock(mutex_);
  return log_;
}

void FakeJobWindow::ShowProgress(ProgressBarId bar, int maximum, int position, const QString&) {
  std::lock_guard lock(mutex_);
  progress_.push_back({bar, maximum, position});
  maxima_[bar] = maximum;
}

int FakeJobWindow::ProgressMaximum(ProgressBarId bar) const {
  std::lock_guard lock(mutex_);
  const auto found = maxima_.find(bar);
  return found == maxima_.end() ? 0 : found->second;
}

void FakeJobWindow::ProcessPendingEvents() {
  if (uiObject != nullptr) {
    QCoreApplication::processEvents();
  }
}

void FakeJobWindow::SetInputsEnabled(bool enabled) {
  std::lock_guard lock(mutex_);
  inputsEnabled_.push_back(enabled);
}

void FakeJobWindow::StartResumeTimer() {
  {
    std::lock_guard lock(mutex_);
    ++resumeTimerStarts_;
  }
  if (onStartResumeTimer) {
    onStartResumeTimer();
  }
}

void FakeJobWindow::OpenDocument(const QString&) {}

int FakeJobWindow::IntervalSeconds() const {
  std::lock_guard lock(mutex_);
  return interval_;
}

int FakeJobWindow::RetryCount() const {
  std::lock_guard lock(mutex_);
  return retry_;
}

bool FakeJobWindow::CapEnabled() const {
  std::lock_guard lock(mutex_);
  return capEnabled_;
}

int FakeJobWindow::CapValue() const {
  std::lock_guard lock(mutex_);
  return cap_;
}

int FakeJobWindow::QueryLineCount() const {
  std::lock_guard lock(mutex_);
  return int(queries_.size());
}

QString FakeJobWindow::QueryLine(int index) const {
  std::lock_guard lock(mutex_);
  return queries_.value(index);
}

void FakeJobWindow::SetQueries(QStringList lines) {
  std::lock_guard lock(mutex_);
  queries_ = std::move(lines);
}

void FakeJobWindow::SetInterval(int seconds) {
  std::lock_guard lock(mutex_);
  interval_ = seconds;
}

void FakeJobWindow::SetRetry(int count) {
  std::lock_guard lock(mutex_);
  retry_ = count;
}

void FakeJobWindow::SetCap(bool enabled, int value) {
  std::lock_guard lock(mutex_);
  capEnabled_ = enabled;
  cap_ = value;
}

QStringList FakeJobWindow::Messages() const {
  std::lock_guard lock(mutex_);
  QStringList messages;
  for (const QString& entry : log_) {
    // Time stamps hold ":" but never ": ", which ends them.
    const qsizetype end = entry.indexOf(u": "_qs);
    messages.append(end < 0 ? entry : entry.mid(end + 2));
  }
  return messages;
}

int FakeJobWindow::CountMessages(const QString& message) const {
  return int(Messages().count(message));
}

std::vector<FakeJobWindow::Shown> FakeJobWindow::Progress() const {
  std::lock_guard lock(mutex_);
  return progress_;
}

int FakeJobWindow::HandOffCount() const {
  std::lock_guard lock(mutex_);
  return handOffs_;
}

int FakeJobWindow::ResumeTimerStarts() const {
  std::lock_guard lock(mutex_);
  return resumeTimerStarts_;
}

std::vector<bool> FakeJobWindow::InputsEnabled() const {
  std::lock_guard lock(mutex_);
  return inputsEnabled_;
}

}  // namespace korvath::testing
