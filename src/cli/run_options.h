#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>
#include <stdexcept>

namespace korvath {

// What a run does with an interrupted job that it finds in the program folder's journal.
enum class InterruptedJobChoice {
  Refuse,  // neither option given: a script must not throw the job away by accident
  Resume,  // --resume: continue it with its own inputs
  Fresh,   // --fresh: start a new job in its place
};

// How one headless run is set up: the window's inputs and settings, given as arguments.
struct RunOptions {
  // Where the program's files live; empty lets ChooseProgramFolder decide.
  QString programFolder;
  // Scheme, host and port of the search engine, without a trailing "/".
  QString origin;
  // The pause between requests; fractions of a second are allowed here.
  std::chrono::milliseconds interval{3000};
  // "--interval auto": each address learns its own pause, from `interval` on and never below
  // `intervalMin`.
  bool autoInterval = false;
  std::chrono::milliseconds intervalMin{0};
  int retryCount = 20;
  // The cap on ads per query and region; none means no cap.
  std::optional<int> cap;
  // A file of queries instead of "keywords.txt".
  QString queriesFile;
  // Region entries ("name=rid") instead of the saved selection.
  std::optional<QStringList> regions;
  bool openResults = false;
  // Whether the results file gets its workbook (".xlsx") beside it.
  bool workbook = true;
  // Connect and read time-out of every request; none means the fetcher's own (60 s).
  std::optional<int> timeoutMs;
  // The wait after the engine's first block in a row, the longest such wait, and whether a block
  // ends the job instead.
  std::chrono::milliseconds blockWait{60000};
  std::chrono::milliseconds blockWaitMax{30 * 60000};
  bool stopOnBlock = false;
  // Failed attempts in a row after which a query is left in its region; 0: never.
  int giveUpAfter = 0;
  // Workers that walk the job's tasks at once.
  int workers = 1;
  InterruptedJobChoice interruptedJob = InterruptedJobChoice::Refuse;
};

// A command line that cannot be run; the message says what is wrong with it.
class RunArgumentError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the arguments that follow "run". Throws RunArgumentError.
RunOptions ParseRunArguments(const QStringList& arguments);

// The run command's arguments, as the usage text shows them.
extern const char kRunUsage[];

}  // namespace korvath
