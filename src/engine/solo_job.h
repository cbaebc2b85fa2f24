#pragma once

#include "engine/direct_route.h"
#include "engine/job_plan.h"
#include "engine/task_walk.h"

namespace korvath {

class JobContext;
class JournalRecorder;

// The job with one worker and no pool: query by query, region by region, rows into the table as
// each ad is recorded, the working file saved after each query, the results file at the end.
class SoloJob final : public RowSink {
 public:
  SoloJob(JobContext& context, JobPlan& plan, JournalRecorder& journal, DirectRoute& route);

  // The loops and the saves; a failure that no attempt loop takes care of ends them with an error
  // report. Throws JobStopped on a stop.
  void Run();

  void Row(const ResultRow& row) override;
  void PageWalked(int task, QList<ResultRow> rows, const TaskProgress& progress) override;

 private:
  void QueryLoop();

  JobContext& context_;
  JobPlan& plan_;
  JournalRecorder& journal_;
  TaskWalk walk_;
};

}  // namespace korvath
