#pragma once

#include "results/job_status.h"
#include "results/result_table.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace korvath {

enum class ProgressBarId { Regions, Stages };

// What a job reaches of the front end that runs it: the window, or the headless front end.
// Every method except HandOff and the four numeric settings runs on the user-interface thread only.
class JobWindow {
 public:
  virtual ~JobWindow() = default;

  // Called from the job thread: runs `routine` on the user-interface thread and waits for it.
  // An exception thrown by the routine is rethrown here, on the job thread.
  virtual void HandOff(const std::function<void()>& routine) = 0;

  // The log box.
  virtual void AppendLogEntry(const QString& entry) = 0;
  virtual void ClearLog() = 0;
  virtual QStringList LogLines() const = 0;

  // The two progress bars; the values are already clamped (see progress.h).
  virtual void ShowProgress(ProgressBarId bar, int maximum, int position, const QString& hint) = 0;
  virtual int ProgressMaximum(ProgressBarId bar) const = 0;
  // Lets queued user actions (Pause, Stop, the resume timer) run while the job waits.
  virtual void ProcessPendingEvents() = 0;

  // Locks (false) or unlocks (true) the query list, the region tree, Start and the cap check box.
  virtual void SetInputsEnabled(bool enabled) = 0;
  // Arms the one-shot resume timer for 15000 ms unless it is already counting down.
  virtual void StartResumeTimer() = 0;
  // Asks the desktop to open a document in its associated application; the outcome is ignored.
  virtual void OpenDocument(const QString& path) = 0;

  // Settings that the job reads live, at the moments of its loops. The front end publishes them
  // so that the job thread may read them directly: they are read at every ad, and a hand-off for
  // each would cost the job more than its requests do.
  virtual int IntervalSeconds() const = 0;
  // The pause between requests as the job uses it; a front end that takes fractions of a second
  // gives them here.
  virtual int IntervalMilliseconds() const { return IntervalSeconds() * 1000; }
  virtual int RetryCount() const = 0;
  virtual bool CapEnabled() const = 0;
  virtual int CapValue() const = 0;
  // The query lines, read through the hand-off.
  virtual int QueryLineCount() const = 0;
  virtual QString QueryLine(int index) const = 0;

  // On the user-interface thread, inside a hand-off: the job's counts have changed.
  virtual void ShowJobStatus(const JobStatus& /*status*/) {}
  // On the user-interface thread, inside a hand-off: rows have just been appended to `table`,
  // which from now on is only ever appended to there.
  virtual void RowsAppended(const ResultTable& /*table*/) {}
  // With several workers, on the user-interface thread inside a hand-off: rows of task `task` (its
  // index in the job's task order) walked but held back from `table` until every earlier task's
  // rows are in. The front end may show them at once; they come again through TaskRowsAppended.
  virtual void RowsWalked(const ResultTable& /*table*/, int /*task*/,
                          const QList<ResultRow>& /*rows*/) {}
  // On the user-interface thread, inside a hand-off: every row of task `task` has just been
  // appended to `table`, after those of every earlier task, in the order RowsWalked gave them.
  virtual void TaskRowsAppended(const ResultTable& table, int /*task*/) { RowsAppended(table); }
};

}  // namespace korvath
