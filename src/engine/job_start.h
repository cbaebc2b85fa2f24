#pragma once

#include "engine/scraper.h"
#include "journal/job_journal.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

namespace korvath {

// What a front end decides about an interrupted job that it finds in the journal.
enum class InterruptedJobAnswer { Resume, StartAnew, Cancel };

// A job about to start, as both front ends prepare it.
// A "proxies.txt" that cannot be used: the job would go out from the user's own address.
class ProxyListRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct JobStart {
  // The program folder's journal, which the job records into.
  std::shared_ptr<JobJournal> journal;
  // The job goes on with the journal's interrupted job.
  bool resume = false;
  // That job's inputs (queries, regions, retry count, cap), which replace the user's.
  JournalInputs journalInputs;
  // What the job's log is to say first (a broken lock taken over).
  QStringList notices;
};

// Everything before a job starts that does not depend on the front end: checks through
// `checkFolderFree` that no other job holds the program folder (what its journal says belongs to
// no job running there; it returns a notice for the log, or nothing), refuses a "proxies.txt"
// that cannot be used (ProxyListRefused, before any journal is made), opens the journal (a file
// that had to be set aside first is told through `setAside`) and, when it holds a job that did not
// complete, asks `answer` what to do with it. None when the answer is Cancel. Throws
// std::runtime_error when the folder is taken or can hold no journal; `answer` may throw to refuse.
std::optional<JobStart> PrepareJobStart(
    const QString& programFolder, const std::function<QString()>& checkFolderFree,
    const std::function<void(const QString&)>& setAside,
    const std::function<InterruptedJobAnswer(const JournalSummary&)>& answer);

// The settings every job of the program starts from. The error pause may be shortened for tests
// through the environment variable KORVATH_ERROR_PAUSE_MS; users always get 15 s.
ScraperConfig BaseJobConfig(const QString& origin, const QString& programFolder);

// The paces learned in the program folder; none, with a line for the log in `notices`, when
// "pace.sqlite" cannot be opened: the job then learns them again.
std::shared_ptr<PaceMemory> OpenPaceMemory(const QString& programFolder, QStringList& notices);
// The log line of a pace memory that failed.
QString PaceMemoryNotice(const std::exception& failure);

// What was done of an interrupted job and when it stopped (local time), for the question
// whether to continue it.
QString InterruptedJobText(const JournalSummary& summary);

}  // namespace korvath
