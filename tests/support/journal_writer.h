#pragma once

#include "journal/job_journal.h"

#include <QString>
#include <QStringList>

namespace korvath::testing {

// The inputs of a job over these queries and regions: every query in every region, query by
// query, retry 20 and no cap.
JournalInputs JobInputs(const QStringList& queryLines, const QStringList& regionEntries);

// Leaves in `folder` the journal of a job over `inputs` whose first `tasksDone` tasks are done,
// with one row each; `finished` marks the job completed.
void WriteJournal(const QString& folder, const JournalInputs& inputs, int tasksDone,
                  bool finished = false);

}  // namespace korvath::testing
