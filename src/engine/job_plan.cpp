#include "engine/job_plan.h"

#include <QUrl>

#include <stdexcept>

#include "web/body_text.h"

namespace korvath {
namespace {

// `address` with its scheme, host and port replaced by those of `origin`.
QString OnOrigin(const QString& address, const QString& origin) {
  const QUrl url(address);
  if (!url.isValid() || url.scheme().isEmpty()) return address;
  const QString rest =
      url.toString(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::FullyEncoded);
  return origin + rest;
}

// A copy that shares no data with `lines`. The job outlives the front end's lists, and drops its
// copies on its own thread; a shared copy would be freed there after the front end's last
// reference went away inside Qt's library, where the thread sanitizer cannot see the ordering.
QStringList OwnCopy(const QStringList& lines) {
  QStringList copy;
  copy.reserve(lines.size());
  for (const QString& line : lines) copy.append(QString(line.constData(), line.size()));
  return copy;
}

}  // namespace

int JobPlan::TasksDone() const {
  int done = 0;
  for (const TaskProgress& task : progress) {
    if (task.done) ++done;
  }
  return done;
}

bool JobPlan::QueryDone(int query) const {
  for (int region = 0; region < RegionCount(); ++region) {
    if (!progress[query * RegionCount() + region].done) return false;
  }
  return true;
}

QString FirstResultsAddress(const QString& origin, const QString& query,
                            const QString& regionEntry) {
  return origin + u"/search/direct?text="_qs + EncodeQueryText(query) + u"&lr="_qs +
         SplitRegionEntry(regionEntry).rid;
}

JobPlan NewJobPlan(const QStringList& queryLines, const QStringList& regionEntries,
                   const QString& origin) {
  JobPlan plan;
  plan.inputs.queryLines = OwnCopy(queryLines);
  plan.inputs.regionEntries = OwnCopy(regionEntries);
  for (const QString& query : plan.inputs.queryLines) {
    if (query.isEmpty()) continue;
    plan.queries.append(query);
    for (const QString& region : plan.inputs.regionEntries) {
      plan.inputs.tasks.append({query, region});
      plan.progress.append({FirstResultsAddress(origin, query, region), 0, 0, false});
    }
  }
  plan.journalRows.resize(plan.TaskCount());
  return plan;
}

JobPlan ResumedJobPlan(const JobJournal& journal, const QString& origin) {
  JobPlan plan;
  plan.inputs = journal.Inputs();
  plan.progress = journal.Progress();
  for (const QString& query : plan.inputs.queryLines) {
    if (!query.isEmpty()) plan.queries.append(query);
  }
  if (plan.progress.size() != plan.inputs.tasks.size() ||
      plan.inputs.tasks.size() != plan.queries.size() * plan.inputs.regionEntries.size()) {
    throw std::runtime_error(
        "Журнал сбора не сходится с самим собой: задач не столько, сколько запросов, умноженных "
        "на регионы. Начните сбор заново");
  }
  for (TaskProgress& task : plan.progress) {
    task.nextAddress = OnOrigin(task.nextAddress, origin);
  }
  plan.journalRows.resize(plan.TaskCount());
  journal.ReadRows([&](int task, ResultRow&& row) {
    if (task >= 0 && task < plan.TaskCount()) plan.journalRows[task].append(std::move(row));
  });
  return plan;
}

}  // namespace korvath
