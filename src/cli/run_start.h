#pragma once

#include "cli/headless_window.h"
#include "cli/run_options.h"
#include "journal/job_journal.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace korvath {

// What a headless run starts with.
struct RunStart {
  // What the window's controls would hold: the user's files and the options for a new job, the
  // journal's inputs for one that goes on.
  HeadlessSettings settings;
  // The ticked regions as "name=rid".
  QStringList regions;
  // The journal the job records into.
  std::shared_ptr<JobJournal> journal;
  // Whether the job goes on with the journal's interrupted job.
  bool resume = false;
  // What the job's log is to say first.
  QStringList notices;
};

// Opens the journal of `programFolder` and gathers the job's inputs. What the log is to say
// before the job (a file read as Windows-1251, a journal set aside) goes to `notices`. Throws
// std::runtime_error when no job may start: another job holds the folder or it cannot be written,
// the journal cannot be opened, an interrupted job waits and neither --resume nor --fresh says
// what to do with it, --resume finds none, or the inputs cannot be read.
RunStart PrepareRunStart(const RunOptions& options, const QString& programFolder,
                         QStringList& notices);

}  // namespace korvath
