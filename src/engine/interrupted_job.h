#pragma once

#include "journal/job_journal.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace korvath {

// The program folder's job journal as a front end finds it when a job is about to start there.
struct JournalAtStart {
  std::shared_ptr<JobJournal> journal;
  // What was done of a job that did not complete; none when there is nothing to continue.
  std::optional<JournalSummary> interrupted;
};

// Opens the journal of `programFolder`. A file that had to be set aside first is told through
// `setAside`. Throws std::runtime_error when the folder can hold no journal or another program
// holds it.
JournalAtStart OpenJournalAtStart(const QString& programFolder,
                                  const std::function<void(const QString&)>& setAside);

// What was done of an interrupted job and when it stopped (local time), for the question
// whether to continue it.
QString InterruptedJobText(const JournalSummary& summary);

}  // namespace korvath
