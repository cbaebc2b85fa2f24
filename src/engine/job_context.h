#pragma once

#include <QList>
#include <QString>

#include <atomic>
#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "engine/job_clock.h"
#include "engine/job_hold.h"
#include "engine/scraper.h"
#include "results/job_status.h"
#include "results/job_window.h"
#include "results/result_table.h"

namespace korvath {

// Everything of a job that its parts share, whichever thread they run on: the hand-off to the
// front end (and the log, the bars, the saves made through it), the settings read live, the stop
// tests, the job's status and its ending. Its own lock is never held during a hand-off, so the
// user-interface thread may take it too.
class JobContext {
 public:
  using Milliseconds = std::chrono::milliseconds;

  JobContext(JobWindow& window, const ScraperConfig& config, JobHold& hold, ResultTable& table,
             JobEnding& ending, const std::atomic<bool>& abandoned);

  const ScraperConfig& Config() const { return config_; }
  JobClock& Clock() { return *clock_; }
  JobHold& Hold() { return hold_; }
  JobWindow& Window() { return window_; }

  // Runs `routine` on the user-interface thread unless the job has been abandoned.
  void HandOff(const std::function<void()>& routine);
  // `worker` above 0 numbers the line ("[2] ") when several workers run.
  void Log(const QString& message, int worker = 0);
  void SetNumbered(bool numbered) { numbered_ = numbered; }

  // Throws JobStopped once a stop has been requested; waits while the job is held.
  void StopTest();
  // Waits while the job is held.
  void HoldPoint();

  // The settings as the front end publishes them, read at the moments the loops name.
  Milliseconds Interval();
  int RetryCount();
  // The cap as it stands now: `seen` is over it, or (inclusive) has reached it.
  bool CapReached(int seen, bool inclusive);

  // The window's error report, and the error pause it may call for: the job is held until the
  // resume timer or the user releases it.
  void ReportError(const QString& message);
  // The error report of one worker among several: its own pause, which holds no one else.
  void ReportWorkerError(const QString& message, int worker);
  // The working save or the final save.
  void AskSave(const QString& type);
  // The results file, once; a failure to write it is shown once and is no reason for an error
  // pause, since nothing is left to wait for. Returns whether it was written.
  bool SaveResults();

  void ShowRegionsBar(int maximum, int position);
  void ShowStagesBar(int maximum, int position);
  // Into the table (which belongs to the user-interface thread), and the count into the status.
  void AppendRows(QList<ResultRow> rows);
  // With several workers: rows of `task` just walked, shown before their turn in the table and
  // counted at once; and later the task's rows into the table, in task order.
  void ShowWalkedRows(int task, const QList<ResultRow>& rows);
  void AppendTaskRows(int task, QList<ResultRow> rows);
  // Changes the job's status without showing it: the next change shows it.
  void NoteStatus(const std::function<void(JobStatus&)>& change);
  // Changes the job's status and shows it.
  void ChangeStatus(const std::function<void(JobStatus&)>& change);
  JobStatus Status();

  // Waiting that the whole job does (every running worker waits for a block or a proxy): the
  // time the closing summary names.
  class Waiting {
   public:
    explicit Waiting(JobContext& context);
    ~Waiting();
    Waiting(const Waiting&) = delete;
    Waiting& operator=(const Waiting&) = delete;

   private:
    JobContext& context_;
  };
  void SetRunningWorkers(int workers);

  void GiveUp(const QString& what);
  void EndOnBlock();
  void EndUnreachable();
  // The pace an earlier job settled at for `address`, and the one this job settled at; a memory
  // that cannot be read or written is said once, and the job paces on without it.
  std::optional<Milliseconds> LearnedPace(const QString& address);
  // The pace an address has learned so far into the status, and one that is news (`told`) into
  // the log and the memory.
  void ShowPace(const QString& address, std::optional<Milliseconds> learned,
                std::optional<Milliseconds> told, int worker = 0);

  // The closing summary of what the job met on its way.
  void LogEnding(const QStringList& proxySummary);

 private:
  void CountWaiting(int change);
  void PaceMemoryFailed(const std::exception& failure);

  JobWindow& window_;
  const ScraperConfig& config_;
  JobHold& hold_;
  ResultTable& table_;
  JobEnding& ending_;
  const std::atomic<bool>& abandoned_;
  std::shared_ptr<JobClock> clock_;
  bool numbered_ = false;
  QString resulttype_;

  std::mutex mutex_;
  JobStatus status_;
  JobClock::TimePoint started_;
  int runningWorkers_ = 1;
  int waitingWorkers_ = 0;
  JobClock::TimePoint allWaitingSince_;
  Milliseconds jobWaited_{0};
  std::atomic<bool> paceMemoryFailed_ = false;
};

// "0,2 с", "45 с", "2 мин", "1 мин 30 с": a wait as the log shows it.
QString WaitText(std::chrono::milliseconds wait);

}  // namespace korvath
