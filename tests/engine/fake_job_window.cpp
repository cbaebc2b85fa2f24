#include "engine/fake_job_window.h"

#include <QCoreApplication>

#include "results/ui_hand_off.h"

namespace korvath::testing {

void FakeJobWindow::HandOff(const std::function<void()>& routine) {
  ++handOffs;
  if (uiObject != nullptr) {
    BlockingHandOff(uiObject, routine);
  } else {
    // One routine at a time, as on a real user-interface thread, whichever worker hands it over.
    std::lock_guard lock(handOffMutex_);
    routine();
  }
  if (afterHandOff) {
    afterHandOff();
  }
}

void FakeJobWindow::AppendLogEntry(const QString& entry) {
  Locked([&] { log_.append(entry); });
  if (onLogEntry) {
    onLogEntry(Messages().constLast());
  }
}

int FakeJobWindow::ProgressMaximum(ProgressBarId bar) const {
  return Locked([&] {
    for (auto shown = progress_.rbegin(); shown != progress_.rend(); ++shown) {
      if (shown->bar == bar) return shown->maximum;
    }
    return 0;
  });
}

void FakeJobWindow::ProcessPendingEvents() {
  if (uiObject != nullptr) {
    QCoreApplication::processEvents();
  }
}

void FakeJobWindow::StartResumeTimer() {
  ++resumeTimerStarts;
  if (onStartResumeTimer) {
    onStartResumeTimer();
  }
}

QStringList FakeJobWindow::Messages() const {
  QStringList messages = LogLines();
  for (QString& entry : messages) {
    // Time stamps hold ":" but never ": ", which ends them.
    const qsizetype end = entry.indexOf(u": "_qs);
    if (end >= 0) entry.remove(0, end + 2);
  }
  return messages;
}

}  // namespace korvath::testing
