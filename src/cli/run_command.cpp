#include "cli/run_command.h"

#include "cli/headless_window.h"
#include "cli/run_options.h"
#include "cli/run_start.h"
#include "cli/ui_turn.h"
#include "engine/job_control.h"
#include "engine/job_start.h"
#include "engine/scraper.h"
#include "inputs/program_folder.h"
#include "platform/console.h"
#include "platform/interrupt_signal.h"
#include "results/run_log.h"
#include "web/tpage_fetcher.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <openssl/crypto.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>

namespace korvath {

namespace {

constexpr int kExitCompleted = 0;
constexpr int kExitJobFailed = 1;
constexpr int kExitBadInput = 2;
constexpr int kExitBlocked = 3;
constexpr int kExitStopped = 130;

void PrintLine(std::FILE* out, const QString& text) {
  WriteTerminalText(out, text + u'\n');
  std::fflush(out);
}

enum class JobEnd { NotStarted, Stopped, Completed };

struct JobOutcome {
  JobEnd end = JobEnd::NotStarted;
  JobEnding ending;
};

// Starts the job and runs the event loop until its thread has ended.
JobOutcome RunJob(const RunStart& start, const ScraperConfig& config, bool openResults) {
  // Outside its event loop the main thread keeps the turn, so that the job's hand-offs wait until
  // the loop delivers events (see UiTurn); it is let go last, after job control and the window.
  std::unique_lock turn(UiTurn());
  HeadlessWindow window(start.settings, stdout, IsTerminal(stderr) ? stderr : nullptr, openResults);
  JobControl control;
  window.SetResumeTimerStarter([&control] { control.StartResumeTimer(); });
  QObject::connect(&control, &JobControl::jobFinished, QCoreApplication::instance(),
                   &QCoreApplication::quit, Qt::QueuedConnection);

  // Ctrl+C is the Stop button: the job still runs its finish steps and saves its log.
  JobOutcome outcome;
  InterruptSignal interrupt;
  QObject::connect(&interrupt, &InterruptSignal::interrupted, &control, [&control, &outcome] {
    if (!control.JobRunning()) return;
    outcome.end = JobEnd::Stopped;
    control.Stop();
  });

  try {
    if (!control.Start(window, start.regions, config)) return outcome;
  } catch (const std::runtime_error& error) {
    // A folder that cannot be written or is taken by another job: nothing has been done yet.
    PrintLine(stderr, u"korvath-cli run: "_qs + QString::fromUtf8(error.what()));
    return outcome;
  }
  outcome.end = JobEnd::Completed;
  turn.unlock();
  QCoreApplication::exec();
  turn.lock();
  if (const JobEnding* ending = control.LastEnding()) outcome.ending = *ending;
  return outcome;
}

}  // namespace

int RunCommand(const QStringList& arguments) {
  // The job's thread is detached and may still be letting go of its TLS state when this process
  // exits; OpenSSL's own clean-up at exit would free the locks that thread is still using.
  OPENSSL_init_crypto(OPENSSL_INIT_NO_ATEXIT, nullptr);
  RunOptions options;
  QString programFolder;
  RunStart start;
  QStringList notices;
  try {
    options = ParseRunArguments(arguments);
    programFolder = ChooseProgramFolder(ProgramFolderPlacesOfThisProgram(options.programFolder));
    if (!QFileInfo(programFolder).isDir()) {
      throw std::runtime_error(
          u"Cannot use the program folder \"%1\": no such folder"_qs.arg(programFolder)
              .toStdString());
    }
    // Said first, so that a user whose inputs are missing learns where to put them.
    PrintLine(stdout, u"Program folder: "_qs + QDir::toNativeSeparators(programFolder));
    start = PrepareRunStart(options, programFolder, notices);
  } catch (const ProxyListRefused& error) {
    // The user made the list to hide their own address: nothing goes out without it.
    PrintLine(stderr, u"korvath-cli run: "_qs + QString::fromUtf8(error.what()));
    return kExitJobFailed;
  } catch (const RunArgumentError& error) {
    PrintLine(stderr, u"korvath-cli run: "_qs + QString::fromUtf8(error.what()));
    PrintLine(stderr, u"usage: korvath-cli "_qs + QLatin1String(kRunUsage));
    return kExitBadInput;
  } catch (const std::runtime_error& error) {
    // A journal set aside before the refusal is no longer where the user left it.
    for (const QString& notice : notices) PrintLine(stdout, LogLine(notice));
    PrintLine(stderr, u"korvath-cli run: "_qs + QString::fromUtf8(error.what()));
    return kExitBadInput;
  }

  ScraperConfig config = BaseJobConfig(options.origin, programFolder);
  config.writeWorkbook = options.workbook;
  config.workingFolder = QDir::currentPath();
  config.blocks = {options.blockWait, options.blockWaitMax, options.stopOnBlock};
  config.giveUpAfter = options.giveUpAfter;
  config.pace.automatic = options.autoInterval;
  config.pace.floor = options.intervalMin;
  config.workers = options.workers;
  config.journal = start.journal;
  config.resume = start.resume;
  config.startNotices = start.notices;
  if (options.autoInterval) config.paceMemory = OpenPaceMemory(programFolder, config.startNotices);
  if (options.timeoutMs) {
    const std::chrono::milliseconds timeout(*options.timeoutMs);
    config.makeFetcher = [timeout] {
      FetcherOptions fetcherOptions;
      fetcherOptions.connectTimeout = timeout;
      fetcherOptions.readTimeout = timeout;
      return std::make_unique<TPageFetcher>(fetcherOptions);
    };
  }
  for (const QString& notice : notices) PrintLine(stdout, LogLine(notice));
  const JobOutcome outcome = RunJob(start, config, options.openResults);

  switch (outcome.end) {
    case JobEnd::NotStarted:
      return kExitBadInput;
    case JobEnd::Stopped:
      return kExitStopped;
    case JobEnd::Completed:
      break;
  }
  const JobEnding& ending = outcome.ending;
  if (!ending.resultsFile.isEmpty()) {
    PrintLine(stdout, u"Results: "_qs + QDir::toNativeSeparators(ending.resultsFile));
  }
  if (ending.notStarted || ending.resultsSaveFailed || ending.engineUnreachable ||
      !ending.givenUp.isEmpty()) {
    return kExitJobFailed;
  }
  if (ending.endedOnBlock) return kExitBlocked;
  return kExitCompleted;
}

}  // namespace korvath
