#include "engine/pooled_job.h"

#include <vector>

#include "engine/job_context.h"
#include "engine/job_flow.h"
#include "engine/journal_recorder.h"
#include "engine/pooled_route.h"
#include "engine/task_walk.h"
#include "platform/work_thread.h"

namespace korvath {

// One worker's life: one task after another until none is left or the job stops.
class PooledJob::Worker final : public RowSink {
 public:
  Worker(PooledJob& job, int number)
      : job_(job),
        route_(job.context_, job.pool_, number),
        walk_(job.context_, route_, *this, number) {}

  void Run() {
    while (const std::optional<int> task = job_.board_.Take()) {
      job_.context_.StopTest();
      const JournalTask& what = job_.board_.Plan().inputs.tasks[*task];
      walk_.Walk(*task, what.query, SplitRegionEntry(what.regionEntry).name,
                 job_.board_.Progress(*task));
      job_.board_.Finish(*task);
      job_.context_.ChangeStatus([](JobStatus& status) { ++status.tasksDone; });
      job_.ReleaseFinished(false, true);
    }
  }

  void Row(const ResultRow& /*row*/) override {}

  void PageWalked(int task, QList<ResultRow> rows, const TaskProgress& progress) override {
    const std::optional<QString> failure = job_.journal_.CommitPage(task, rows, progress);
    job_.board_.PageWalked(task, rows, progress);
    if (failure) job_.context_.Log(*failure);
    job_.context_.ShowWalkedRows(task, rows);
  }

 private:
  PooledJob& job_;
  PooledRoute route_;
  TaskWalk walk_;
};

PooledJob::PooledJob(JobContext& context, JobPlan plan, JournalRecorder& journal, ProxyPool& pool,
                     int workers)
    : context_(context),
      journal_(journal),
      pool_(pool),
      workers_(workers),
      board_(std::move(plan)) {}

PooledJob::~PooledJob() = default;

void PooledJob::Run() {
  context_.SetNumbered(workers_ > 1);
  context_.SetRunningWorkers(workers_);
  context_.NoteStatus([&](JobStatus& status) {
    status.workers = workers_;
    status.rows = board_.HeldRowCount();
  });
  // A resumed job saves once for the queries it finds done before any worker starts.
  ReleaseFinished(false, false);

  std::vector<WorkThread> threads;
  std::atomic<bool> endedOnBlock = false;
  std::atomic<bool> unreachable = false;
  auto work = [&](int number) {
    try {
      try {
        Worker(*this, number).Run();
      } catch (const JobStopped&) {
        // Every worker leaves on a stop; the job does the rest.
      } catch (const JobBlocked&) {
        endedOnBlock = true;
        context_.Hold().RequestStop();
      } catch (const EngineUnreachable&) {
        unreachable = true;
        context_.Hold().RequestStop();
      } catch (const std::exception& failure) {
        // A worker that cannot go on leaves its task unfinished: the job stops where a resume can
        // take it up.
        context_.Hold().RequestStop();
        context_.Log(QString::fromUtf8(failure.what()));
      }
    } catch (const JobAbandoned&) {
      // The job finds itself abandoned once every worker has left.
    }
  };
  try {
    for (int number = 1; number <= workers_; ++number)
      threads.emplace_back([&work, number] { work(number); });
  } catch (const std::exception&) {
    context_.Hold().RequestStop();
    for (WorkThread& started : threads) started.Join();
    throw;
  }
  for (WorkThread& thread : threads) thread.Join();
  context_.SetRunningWorkers(1);

  // Whatever was collected is shown, even rows of tasks a stop left unfinished.
  ReleaseFinished(true, false);
  try {
    if (endedOnBlock || unreachable) {
      if (endedOnBlock) context_.EndOnBlock();
      if (unreachable) context_.EndUnreachable();
      context_.AskSave(QStringLiteral("savecurrent"));
      context_.SaveResults();
    } else if (board_.AllFinished() && !context_.Hold().StopRequested()) {
      if (context_.SaveResults()) {
        if (const std::optional<QString> failure = journal_.MarkFinished()) context_.Log(*failure);
      }
    }
  } catch (const std::exception& failure) {
    context_.Log(QString::fromUtf8(failure.what()));
  }
  context_.ShowRegionsBar(0, 0);
  context_.ShowStagesBar(0, 0);
}

// Puts the rows of finished tasks into the table in task order. `savePerQuery` saves the working
// file as each query's rows are all in, as the one-worker job saves after each query; otherwise
// once at the end, if a query's rows went in; `closing` puts in what is held, finished or not,
// without saving.
void PooledJob::ReleaseFinished(bool closing, bool savePerQuery) {
  const JobPlan& plan = board_.Plan();
  if (board_.TakeReleaseTurn()) {
    bool queryCompleted = false;
    try {
      while (const std::optional<TaskBoard::Release> release = board_.NextRelease(closing)) {
        context_.AppendTaskRows(release->task, release->rows);
        if (!release->endsQuery) continue;
        queryCompleted = true;
        context_.ChangeStatus(
            [&](JobStatus& status) { status.queriesDone = release->queriesDone; });
        if (savePerQuery && !closing) context_.AskSave(QStringLiteral("savecurrent"));
      }
    } catch (...) {
      board_.EndReleaseTurn();
      throw;
    }
    if (queryCompleted && !savePerQuery && !closing)
      context_.AskSave(QStringLiteral("savecurrent"));
  }
  // The regions bar counts finished tasks of all tasks; the queries bar, queries whose rows are
  // all in the table.
  context_.ShowRegionsBar(plan.TaskCount(), board_.TasksDone());
  context_.ShowStagesBar(plan.QueryCount(), board_.QueriesDone());
}

}  // namespace korvath
