#pragma once

#include <QList>
#include <QString>

#include <mutex>
#include <optional>

#include "engine/job_plan.h"

namespace korvath {

// The tasks of a job with several workers: which one is next, which are finished, and their rows
// in the order one worker would give them. Rows of a finished task go into the table only after
// every earlier task's; one worker at a time releases them (whoever finds the turn free), so the
// hand-offs keep that order without holding the board's lock.
class TaskBoard {
 public:
  // A finished task's rows on their way into the table, in task order.
  struct Release {
    int task = 0;
    QList<ResultRow> rows;
    // The task was the last of its query: the query's rows are all in.
    bool endsQuery = false;
    int queriesDone = 0;
  };

  // Tasks the plan marks done are finished already; every task starts with the rows the journal
  // held for it.
  explicit TaskBoard(JobPlan plan);

  const JobPlan& Plan() const { return plan_; }
  // The next task nobody has taken yet; none when every task is taken.
  std::optional<int> Take();
  // Where `task` stands now.
  TaskProgress Progress(int task) const;
  // A walked results page of `task`: its rows, held until their turn, and where the task stands.
  void PageWalked(int task, QList<ResultRow> rows, const TaskProgress& progress);
  // Every row of `task` is collected (or it was given up).
  void Finish(int task);
  bool AllFinished() const;
  // Rows held now, the journal's of a resumed job included.
  qint64 HeldRowCount() const;
  int TasksDone() const;
  int QueriesDone() const;

  // Takes the turn to release rows; false when another worker has it (it releases ours too).
  bool TakeReleaseTurn();
  // The next finished task in order; `closing` also gives unfinished ones (a stopped job shows
  // whatever it collected). None ends the turn.
  std::optional<Release> NextRelease(bool closing);
  // Gives the turn up early (the releaser's hand-off failed).
  void EndReleaseTurn();

 private:
  mutable std::mutex mutex_;
  JobPlan plan_;
  int next_ = 0;
  QList<bool> finished_;
  QList<QList<ResultRow>> held_;
  int released_ = 0;
  int tasksDone_ = 0;
  int queriesDone_ = 0;
  bool releasing_ = false;
};

}  // namespace korvath
