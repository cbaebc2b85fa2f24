#include "engine/task_board.h"

#include <algorithm>

namespace korvath {

TaskBoard::TaskBoard(JobPlan plan) : plan_(std::move(plan)) {
  const int count = plan_.TaskCount();
  finished_.resize(count);
  held_.resize(count);
  for (int task = 0; task < count; ++task) {
    // A task the journal had begun goes on after the rows it already gave.
    held_[task] = std::exchange(plan_.journalRows[task], {});
    if (!plan_.progress[task].done) continue;
    finished_[task] = true;
    ++tasksDone_;
  }
}

std::optional<int> TaskBoard::Take() {
  std::lock_guard lock(mutex_);
  while (next_ < plan_.TaskCount() && finished_[next_]) ++next_;
  if (next_ == plan_.TaskCount()) return std::nullopt;
  return next_++;
}

TaskProgress TaskBoard::Progress(int task) const {
  std::lock_guard lock(mutex_);
  return plan_.progress[task];
}

void TaskBoard::PageWalked(int task, QList<ResultRow> rows, const TaskProgress& progress) {
  std::lock_guard lock(mutex_);
  held_[task].append(std::move(rows));
  plan_.progress[task] = progress;
}

void TaskBoard::Finish(int task) {
  std::lock_guard lock(mutex_);
  finished_[task] = true;
  ++tasksDone_;
}

bool TaskBoard::AllFinished() const {
  std::lock_guard lock(mutex_);
  return std::all_of(finished_.begin(), finished_.end(), [](bool finished) { return finished; });
}

qint64 TaskBoard::HeldRowCount() const {
  std::lock_guard lock(mutex_);
  qint64 count = 0;
  for (const QList<ResultRow>& rows : held_) count += rows.size();
  return count;
}

int TaskBoard::TasksDone() const {
  std::lock_guard lock(mutex_);
  return tasksDone_;
}

int TaskBoard::QueriesDone() const {
  std::lock_guard lock(mutex_);
  return queriesDone_;
}

bool TaskBoard::TakeReleaseTurn() {
  std::lock_guard lock(mutex_);
  return !std::exchange(releasing_, true);
}

std::optional<TaskBoard::Release> TaskBoard::NextRelease(bool closing) {
  std::lock_guard lock(mutex_);
  if (released_ == plan_.TaskCount() || !(closing || finished_[released_])) {
    releasing_ = false;
    return std::nullopt;
  }
  const int task = released_++;
  Release release;
  release.task = task;
  release.rows = std::exchange(held_[task], {});
  release.endsQuery = plan_.LastOfQuery(task) && finished_[task];
  if (release.endsQuery) ++queriesDone_;
  release.queriesDone = queriesDone_;
  return release;
}

void TaskBoard::EndReleaseTurn() {
  std::lock_guard lock(mutex_);
  releasing_ = false;
}

}  // namespace korvath
