#pragma once

#include "results/result_table.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>

namespace korvath {

// One (query, region) task of a job, in the order the job walks them.
struct JournalTask {
  QString query;
  QString regionEntry;  // "name=rid"

  friend bool operator==(const JournalTask&, const JournalTask&) = default;
};

// Where a task stands between two results pages.
struct TaskProgress {
  QString nextAddress;  // empty: the walk is over
  int positionCounter = 0;
  int capCounter = 0;
  bool done = false;

  friend bool operator==(const TaskProgress&, const TaskProgress&) = default;
};

// What a job was started with.
struct JournalInputs {
  QStringList queryLines;
  QStringList regionEntries;  // "name=rid", in the order they were ticked
  int retryCount = 20;
  bool capEnabled = false;
  int capValue = 10;
  QList<JournalTask> tasks;

  friend bool operator==(const JournalInputs&, const JournalInputs&) = default;
};

// What the question "continue the interrupted job?" shows.
struct JournalSummary {
  int tasksDone = 0;
  int tasksTotal = 0;
  qint64 rows = 0;
  QDateTime lastWrite;  // UTC; invalid when no job was started
  bool finished = false;
};

struct JournalOptions {
  // How long a call waits for another connection (the user's SQLite browser, say) to let go of
  // the file before it fails.
  std::chrono::milliseconds busyTimeout{5000};
};

// The job journal: "job.sqlite" in the program folder, from which an interrupted job resumes.
// Every finished results page is one SQLite transaction (its rows and its task's new progress),
// so a process killed at any instant leaves the journal at a page boundary. The file is in WAL
// mode with synchronous=NORMAL: a killed process never loses a committed page; only a power cut
// or a system crash may take back the last pages, and those are then fetched again, never doubled.
// All calls may come from any thread; they are taken one at a time. Failures throw
// std::runtime_error with a Russian message.
class JobJournal {
 public:
  // Opens or creates "job.sqlite" in `folder`. A file that is unreadable, damaged, truncated,
  // of another schema version or not a journal at all is never deleted: it is renamed aside
  // (with its companion files) and `setAside` receives a message saying what happened and where
  // the file went; it is emptied when nothing was set aside. A fresh journal is made then.
  // Throws when the folder cannot hold a journal, or when another program holds the file.
  static std::unique_ptr<JobJournal> Open(const QString& folder, QString* setAside,
                                          const JournalOptions& options = {});
  ~JobJournal();

  bool HasJob() const;
  JournalSummary Summary() const;
  JournalInputs Inputs() const;
  // Replaces everything the journal held by a new job whose every task stands at its first
  // results page (`firstAddresses`, one per task, counters at 0; std::invalid_argument when the
  // counts differ).
  void StartJob(const JournalInputs& inputs, const QStringList& firstAddresses);
  // Records one finished results page of `task` (an index into the tasks), in one transaction:
  // its rows, after the task's earlier rows, and the task's new progress. A task already done
  // takes no more pages.
  void CommitPage(int task, const QList<ResultRow>& rows, const TaskProgress& progress);
  QList<TaskProgress> Progress() const;
  // Every row in task order and, within a task, in commit order: what the result table held.
  QList<ResultRow> Rows() const;
  // The same, handed over one at a time with the index of their task, for a journal too large to
  // hold twice. `take` runs under the journal's lock and must not call the journal.
  void ReadRows(const std::function<void(int task, ResultRow&&)>& take) const;
  // The job completed (its results file is saved); it stays in the journal until the next start.
  void MarkFinished();

 private:
  struct State;
  explicit JobJournal(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace korvath
