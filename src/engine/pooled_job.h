#pragma once

#include <memory>

#include "engine/proxy_pool.h"
#include "engine/task_board.h"

namespace korvath {

class JobContext;
class JournalRecorder;

// The job with a proxy pool: workers on threads of their own take tasks from the board, each
// through the pool; the job releases finished tasks' rows into the table in task order, saves the
// working file as each query's rows are all in, and the results file once every worker is done.
class PooledJob {
 public:
  PooledJob(JobContext& context, JobPlan plan, JournalRecorder& journal, ProxyPool& pool,
            int workers);
  ~PooledJob();

  // Starts the workers, waits for them, and saves as the job does at its end.
  void Run();

 private:
  class Worker;

  void ReleaseFinished(bool closing, bool savePerQuery);
  void WorkerLeft(const std::exception* failure);

  JobContext& context_;
  JournalRecorder& journal_;
  ProxyPool& pool_;
  const int workers_;
  TaskBoard board_;
};

}  // namespace korvath
