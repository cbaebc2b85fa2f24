#include "cli/headless_window.h"

#include "cli/ui_turn.h"
#include "platform/console.h"
#include "platform/shell_open.h"
#include "results/job_status_text.h"
#include "results/ui_hand_off.h"

#include <QCoreApplication>
#include <QThread>

#include <utility>

namespace korvath {

namespace {

constexpr std::chrono::milliseconds kStatusRedrawInterval(200);

// A line wider than the terminal would wrap, and the erase before the next redraw would clear its
// last row only.
QString FittedToTerminal(std::FILE* out, const QString& line) {
  const int columns = TerminalColumns(out);
  if (columns == 0) return line;
  return line.left(qMax(1, columns - 1));
}

void WriteText(std::FILE* out, const QString& text) { WriteTerminalText(out, text); }

}  // namespace

HeadlessWindow::HeadlessWindow(HeadlessSettings settings, std::FILE* logOut, std::FILE* progressOut,
                               bool openResults)
    : settings_(std::move(settings)),
      logOut_(logOut),
      progressOut_(progressOut),
      openResults_(openResults) {}

HeadlessWindow::~HeadlessWindow() { EraseProgressLine(); }

void HeadlessWindow::SetResumeTimerStarter(std::function<void()> starter) {
  resumeTimerStarter_ = std::move(starter);
}

void HeadlessWindow::HandOff(const std::function<void()>& routine) {
  // The job waits for the main thread's turn rather than travelling to that thread (see UiTurn):
  // at a request every few hundred microseconds, the two thread switches of a trip would cost the
  // job more than its requests do.
  std::lock_guard turn(UiTurn());
  routine();
}

void HeadlessWindow::AppendLogEntry(const QString& entry) {
  log_.append(entry);
  EraseProgressLine();
  // The log box keeps CR LF inside an entry; a terminal or a pipe wants plain line feeds.
  QString text = entry;
  text.replace(u"\r\n"_qs, u"\n"_qs);
  text.append(u'\n');
  WriteText(logOut_, text);
  std::fflush(logOut_);
  DrawProgressLine();
}

void HeadlessWindow::ClearLog() { log_.clear(); }

QStringList HeadlessWindow::LogLines() const { return log_; }

void HeadlessWindow::ShowProgress(ProgressBarId bar, int maximum, int position,
                                  const QString& hint) {
  (bar == ProgressBarId::Regions ? regionsPosition_ : stagesPosition_) = position;
  Bar& shown = BarOf(bar);
  shown.maximum = maximum;
  shown.hint = hint;
  EraseProgressLine();
  DrawProgressLine();
}

int HeadlessWindow::ProgressMaximum(ProgressBarId bar) const { return BarOf(bar).maximum; }

void HeadlessWindow::ProcessPendingEvents() {
  // A routine handed off from the job runs on the job's thread, between the main thread's events:
  // those events reach the job anyway, and the job's thread has no event loop to run.
  if (QThread::currentThread() == thread()) QCoreApplication::processEvents();
}

void HeadlessWindow::SetInputsEnabled(bool /*enabled*/) {
  // The inputs were read from files and arguments before the start; nothing can change them.
}

void HeadlessWindow::StartResumeTimer() {
  if (!resumeTimerStarter_) return;
  // The timer belongs to the main thread and can only be armed there.
  if (QThread::currentThread() == thread()) {
    resumeTimerStarter_();
  } else {
    QueuedHandOff(thread(), resumeTimerStarter_);
  }
}

void HeadlessWindow::OpenDocument(const QString& path) {
  if (openResults_) OpenWithSystem(path);
}

int HeadlessWindow::IntervalSeconds() const { return settings_.intervalMs / 1000; }
int HeadlessWindow::IntervalMilliseconds() const { return settings_.intervalMs; }
int HeadlessWindow::RetryCount() const { return settings_.retryCount; }
bool HeadlessWindow::CapEnabled() const { return settings_.capEnabled; }
int HeadlessWindow::CapValue() const { return settings_.capValue; }
int HeadlessWindow::QueryLineCount() const { return static_cast<int>(settings_.queryLines.size()); }

QString HeadlessWindow::QueryLine(int index) const { return settings_.queryLines.value(index); }

// The counts change with every row; a terminal redrawn that often would cost the job more than
// its rows, so the line follows them a few times a second (and at every log line).
void HeadlessWindow::ShowJobStatus(const JobStatus& status) {
  const bool blockChanged = !status_ || status_->blockWaitUntil != status.blockWaitUntil;
  status_ = status;
  const auto now = std::chrono::steady_clock::now();
  if (!progressOut_ || (!blockChanged && now - statusDrawn_ < kStatusRedrawInterval)) return;
  EraseProgressLine();
  DrawProgressLine();
}

HeadlessWindow::Bar& HeadlessWindow::BarOf(ProgressBarId bar) {
  return bar == ProgressBarId::Regions ? regions_ : stages_;
}

const HeadlessWindow::Bar& HeadlessWindow::BarOf(ProgressBarId bar) const {
  return bar == ProgressBarId::Regions ? regions_ : stages_;
}

void HeadlessWindow::EraseProgressLine() {
  if (!progressOut_ || !progressShown_) return;
  std::fputs("\r\x1b[K", progressOut_);
  std::fflush(progressOut_);
  progressShown_ = false;
}

void HeadlessWindow::DrawProgressLine() {
  if (!progressOut_) return;
  if (status_) {
    const JobView view{*status_,
                       {regionsPosition_, regions_.maximum},
                       {stagesPosition_, stages_.maximum},
                       JobPhase::Running,
                       QDateTime::currentDateTime()};
    WriteText(progressOut_, FittedToTerminal(progressOut_, JobStatusTexts(view).line));
    statusDrawn_ = std::chrono::steady_clock::now();
  } else if (!stages_.hint.isEmpty() || !regions_.hint.isEmpty()) {
    WriteText(progressOut_, u"Запросы: "_qs + stages_.hint + u"  |  Регионы: "_qs + regions_.hint);
  } else {
    return;
  }
  std::fflush(progressOut_);
  progressShown_ = true;
}

}  // namespace korvath
