#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "inputs/region_entry.h"
#include "journal/job_journal.h"
#include "results/result_table.h"

namespace korvath {

// A job as a list of (query, region) tasks, query by query and within a query region by region,
// and where each task stands. Workers take tasks from it; the journal stores it.
struct JobPlan {
  JournalInputs inputs;
  // The non-empty query lines.
  QStringList queries;
  // One per task.
  QList<TaskProgress> progress;
  // One per task: the rows the journal already held for it when the job resumed.
  QList<QList<ResultRow>> journalRows;

  int TaskCount() const { return int(inputs.tasks.size()); }
  int RegionCount() const { return int(inputs.regionEntries.size()); }
  int QueryCount() const { return int(queries.size()); }
  bool LastOfQuery(int task) const { return (task + 1) % RegionCount() == 0; }
  int TasksDone() const;
  bool QueryDone(int query) const;
};

// The results address a task starts from.
QString FirstResultsAddress(const QString& origin, const QString& query,
                            const QString& regionEntry);

// A new job: every non-empty query line in every region, each task at its first results page.
JobPlan NewJobPlan(const QStringList& queryLines, const QStringList& regionEntries,
                   const QString& origin);

// The journal's job as it stood, its addresses moved onto `origin` (the engine may listen
// elsewhere than in the sitting that wrote them). Throws std::runtime_error when the journal's
// tasks are not the queries times the regions.
JobPlan ResumedJobPlan(const JobJournal& journal, const QString& origin);

}  // namespace korvath
