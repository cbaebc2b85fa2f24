#include "support/journal_writer.h"

#include <stdexcept>

namespace korvath::testing {

JournalInputs JobInputs(const QStringList& queryLines, const QStringList& regionEntries) {
  JournalInputs inputs;
  inputs.queryLines = queryLines;
  inputs.regionEntries = regionEntries;
  for (const QString& query : queryLines) {
    for (const QString& region : regionEntries) inputs.tasks.append({query, region});
  }
  return inputs;
}

void WriteJournal(const QString& folder, const JournalInputs& inputs, int tasksDone,
                  bool finished) {
  QString setAside;
  const auto journal = JobJournal::Open(folder, &setAside);
  if (!setAside.isEmpty()) throw std::runtime_error(setAside.toStdString());
  QStringList firstAddresses;
  for (qsizetype task = 0; task < inputs.tasks.size(); ++task)
    firstAddresses.append(u"https://example.test/search?task=%1"_qs.arg(task));
  journal->StartJob(inputs, firstAddresses);
  for (int task = 0; task < tasksDone; ++task) {
    ResultRow row;
    row.keyword = inputs.tasks[task].query;
    row.region = inputs.tasks[task].regionEntry.section(u'=', 0, 0);
    row.pos = u"1"_qs;
    journal->CommitPage(task, {row}, {QString(), 1, 1, true});
  }
  if (finished) journal->MarkFinished();
}

}  // namespace korvath::testing
