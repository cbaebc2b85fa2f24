#include "engine/solo_job.h"

#include "engine/job_context.h"
#include "engine/job_flow.h"
#include "engine/journal_recorder.h"

namespace korvath {

SoloJob::SoloJob(JobContext& context, JobPlan& plan, JournalRecorder& journal, DirectRoute& route)
    : context_(context), plan_(plan), journal_(journal), walk_(context, route, *this, 0) {}

void SoloJob::Run() {
  try {
    QueryLoop();
    if (context_.SaveResults()) {
      if (const std::optional<QString> failure = journal_.MarkFinished()) context_.Log(*failure);
    }
  } catch (const JobBlocked&) {
    // Told to stop at a block: what was collected is saved as at the end of a job.
    context_.EndOnBlock();
    context_.AskSave(QStringLiteral("savecurrent"));
    context_.SaveResults();
  } catch (const std::exception& failure) {
    context_.ReportError(QString::fromUtf8(failure.what()));
  }
  context_.ShowRegionsBar(plan_.RegionCount(), 0);
  context_.ShowStagesBar(int(plan_.inputs.queryLines.size()), 0);
}

void SoloJob::QueryLoop() {
  const int stagesMax = int(plan_.inputs.queryLines.size());
  const int regionsMax = plan_.RegionCount();
  int stagesPosition = 0;
  context_.StopTest();
  for (int query = 0; query < plan_.QueryCount(); ++query) {
    context_.StopTest();
    context_.ShowStagesBar(stagesMax, ++stagesPosition);
    int regionsPosition = 0;
    context_.ShowRegionsBar(regionsMax, regionsPosition);
    bool walked = false;
    for (int region = 0; region < regionsMax; ++region) {
      context_.StopTest();
      const int task = query * regionsMax + region;
      // A resumed job's rows of this task go into the table in their place.
      context_.AppendRows(std::exchange(plan_.journalRows[task], {}));
      context_.ShowRegionsBar(regionsMax, ++regionsPosition);
      if (plan_.progress[task].done) continue;
      walked = true;
      const JournalTask& what = plan_.inputs.tasks[task];
      walk_.Walk(task, what.query, SplitRegionEntry(what.regionEntry).name, plan_.progress[task]);
      context_.ChangeStatus([](JobStatus& status) { ++status.tasksDone; });
    }
    context_.ChangeStatus([](JobStatus& status) { ++status.queriesDone; });
    // Of the queries a resumed job finds done, only the last before new work is saved again:
    // the working file then holds what it would have held had the job never stopped.
    if (walked || query + 1 == plan_.QueryCount() || !plan_.QueryDone(query + 1))
      context_.AskSave(QStringLiteral("savecurrent"));
  }
}

void SoloJob::Row(const ResultRow& row) { context_.AppendRows({row}); }

void SoloJob::PageWalked(int task, QList<ResultRow> rows, const TaskProgress& progress) {
  plan_.progress[task] = progress;
  if (const std::optional<QString> failure = journal_.CommitPage(task, rows, progress)) {
    context_.Log(*failure);
  }
}

}  // namespace korvath
