#include "engine/job_context.h"

#include <QtGlobal>

#include "engine/job_flow.h"
#include "engine/job_start.h"
#include "engine/pacer.h"
#include "results/handle_result.h"
#include "results/progress.h"
#include "results/run_log.h"

namespace korvath {

QString WaitText(std::chrono::milliseconds wait) {
  const qint64 ms = wait.count();
  if (ms < 60000 && ms % 1000 != 0) {
    return QString::number(double(ms) / 1000.0, 'f', 1).replace(u'.', u',') + u" с"_qs;
  }
  const qint64 seconds = ms / 1000;
  if (seconds < 60) return QString::number(seconds) + u" с"_qs;
  QString text = QString::number(seconds / 60) + u" мин"_qs;
  if (seconds % 60 != 0) text += u' ' + QString::number(seconds % 60) + u" с"_qs;
  return text;
}

JobContext::JobContext(JobWindow& window, const ScraperConfig& config, JobHold& hold,
                       ResultTable& table, JobEnding& ending, const std::atomic<bool>& abandoned)
    : window_(window),
      config_(config),
      hold_(hold),
      table_(table),
      ending_(ending),
      abandoned_(abandoned),
      clock_(config.clock ? config.clock : SteadyJobClock()),
      started_(clock_->Now()) {}

void JobContext::HandOff(const std::function<void()>& routine) {
  if (abandoned_) throw JobAbandoned{};
  try {
    // The flag is set on the user-interface thread, so testing it there is free of races.
    window_.HandOff([&] {
      if (!abandoned_) routine();
    });
  } catch (...) {
    if (abandoned_) throw JobAbandoned{};
    throw;
  }
  if (abandoned_) throw JobAbandoned{};
}

void JobContext::Log(const QString& message, int worker) {
  if (worker == 0 || !numbered_) {
    HandOff([&] { AddLogLine(window_, message); });
    return;
  }
  // The number goes after the blank lines that open a task.
  qsizetype start = 0;
  while (start < message.size() && (message[start] == u'\r' || message[start] == u'\n')) ++start;
  const QString numbered =
      message.left(start) + u'[' + QString::number(worker) + u"] "_qs + message.mid(start);
  HandOff([&] { AddLogLine(window_, numbered); });
}

void JobContext::StopTest() {
  if (hold_.CheckPoint()) throw JobStopped{};
}

void JobContext::HoldPoint() { hold_.CheckPoint(); }

JobContext::Milliseconds JobContext::Interval() {
  if (abandoned_) throw JobAbandoned{};
  return Milliseconds(qMax(0, window_.IntervalMilliseconds()));
}

int JobContext::RetryCount() {
  if (abandoned_) throw JobAbandoned{};
  return window_.RetryCount();
}

bool JobContext::CapReached(int seen, bool inclusive) {
  if (abandoned_) throw JobAbandoned{};
  if (!window_.CapEnabled()) return false;
  const int cap = window_.CapValue();
  return inclusive ? cap <= seen : cap < seen;
}

// An error pause, if HandleResult asks for one, begins before the user-interface thread lets go
// of the job, and the job stays here until it is released.
void JobContext::ReportError(const QString& message) {
  const QString result = u"ERROR_"_qs + message;
  HandOff([&] {
    if (HandleResult(result, resulttype_, table_, window_, config_.programFolder)) hold_.Hold();
  });
  HoldPoint();
}

void JobContext::ReportWorkerError(const QString& message, int worker) {
  const QString result = u"ERROR_"_qs + message;
  if (!CallsForErrorPause(result)) return;
  Log(FailureLine(result), worker);
  Log(kErrorPauseMessage.toString(), worker);
  clock_->WaitUntil(hold_, clock_->Now() + config_.errorPause);
}

void JobContext::AskSave(const QString& type) {
  resulttype_ = type;
  HandOff([&] {
    if (HandleResult(u"ok"_qs, resulttype_, table_, window_, config_.programFolder,
                     config_.writeWorkbook, &ending_.resultsFile)) {
      hold_.Hold();
    }
  });
  HoldPoint();
}

bool JobContext::SaveResults() {
  try {
    AskSave(QStringLiteral("jobdone"));
    return true;
  } catch (const std::exception& failure) {
    ending_.resultsSaveFailed = true;
    const QString result = u"ERROR_"_qs + QString::fromUtf8(failure.what());
    HandOff([&] { LogFailure(window_, result); });
    return false;
  }
}

void JobContext::ShowRegionsBar(int maximum, int position) {
  HandOff([&] { UpdateProgressBar(window_, maximum, position); });
}

void JobContext::ShowStagesBar(int maximum, int position) {
  HandOff([&] { UpdateStagesProgressBar(window_, maximum, position); });
}

void JobContext::AppendRows(QList<ResultRow> rows) {
  if (rows.isEmpty()) return;
  qint64 count = 0;
  HandOff([&] {
    for (ResultRow& row : rows) table_.Append(std::move(row));
    window_.RowsAppended(table_);
    count = table_.RowCount();
  });
  ChangeStatus([&](JobStatus& status) { status.rows = count; });
}

void JobContext::NoteStatus(const std::function<void(JobStatus&)>& change) {
  std::lock_guard lock(mutex_);
  change(status_);
}

void JobContext::ShowWalkedRows(int task, const QList<ResultRow>& rows) {
  HandOff([&] { window_.RowsWalked(table_, task, rows); });
  ChangeStatus([&](JobStatus& status) { status.rows += rows.size(); });
}

void JobContext::AppendTaskRows(int task, QList<ResultRow> rows) {
  HandOff([&] {
    for (ResultRow& row : rows) table_.Append(std::move(row));
    window_.TaskRowsAppended(table_, task);
  });
}

void JobContext::ChangeStatus(const std::function<void(JobStatus&)>& change) {
  {
    std::lock_guard lock(mutex_);
    change(status_);
  }
  // The copy is taken on the user-interface thread, so the last status shown is the newest even
  // when several workers change it at once.
  HandOff([&] { window_.ShowJobStatus(Status()); });
}

JobStatus JobContext::Status() {
  std::lock_guard lock(mutex_);
  status_.elapsed = std::chrono::duration_cast<Milliseconds>(clock_->Now() - started_);
  return status_;
}

JobContext::Waiting::Waiting(JobContext& context) : context_(context) { context_.CountWaiting(1); }
JobContext::Waiting::~Waiting() { context_.CountWaiting(-1); }

void JobContext::SetRunningWorkers(int workers) {
  std::lock_guard lock(mutex_);
  runningWorkers_ = workers;
}

void JobContext::CountWaiting(int change) {
  std::lock_guard lock(mutex_);
  const bool allWaiting = waitingWorkers_ >= runningWorkers_;
  waitingWorkers_ += change;
  const bool nowAllWaiting = waitingWorkers_ >= runningWorkers_;
  if (!allWaiting && nowAllWaiting) allWaitingSince_ = clock_->Now();
  if (allWaiting && !nowAllWaiting) {
    jobWaited_ += std::chrono::duration_cast<Milliseconds>(clock_->Now() - allWaitingSince_);
  }
}

void JobContext::GiveUp(const QString& what) {
  std::lock_guard lock(mutex_);
  ending_.givenUp.append(what);
}

void JobContext::EndOnBlock() {
  std::lock_guard lock(mutex_);
  ending_.endedOnBlock = true;
}

void JobContext::EndUnreachable() {
  std::lock_guard lock(mutex_);
  ending_.engineUnreachable = true;
}

std::optional<JobContext::Milliseconds> JobContext::LearnedPace(const QString& address) {
  if (!config_.paceMemory || paceMemoryFailed_) return std::nullopt;
  try {
    return config_.paceMemory->Learned(address);
  } catch (const std::exception& failure) {
    PaceMemoryFailed(failure);
    return std::nullopt;
  }
}

void JobContext::ShowPace(const QString& address, std::optional<Milliseconds> learned,
                          std::optional<Milliseconds> told, int worker) {
  if (!learned) return;
  NoteStatus([&](JobStatus& status) { status.pace = learned; });
  if (!told) return;
  Log(PaceLine(*told, address), worker);
  if (!config_.paceMemory || paceMemoryFailed_) return;
  try {
    config_.paceMemory->Keep(address, *told);
  } catch (const std::exception& failure) {
    PaceMemoryFailed(failure);
  }
}

void JobContext::PaceMemoryFailed(const std::exception& failure) {
  if (paceMemoryFailed_.exchange(true)) return;
  Log(PaceMemoryNotice(failure));
}

void JobContext::LogEnding(const QStringList& proxySummary) {
  const JobStatus status = Status();
  if (status.blocks > 0) {
    Milliseconds waited;
    {
      std::lock_guard lock(mutex_);
      waited = jobWaited_;
    }
    Log(u"Блокировок за работу: "_qs + QString::number(status.blocks) +
        u", работа ждала из-за них: "_qs + WaitText(waited));
  }
  for (const QString& line : proxySummary) Log(line);
  if (!ending_.givenUp.isEmpty()) {
    Log(u"Не завершены из-за ошибок ("_qs + QString::number(ending_.givenUp.size()) + u"): "_qs +
        ending_.givenUp.join(u"; "_qs));
  }
}

}  // namespace korvath
