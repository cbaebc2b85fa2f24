#include "cli/run_start.h"

#include "engine/job_folders.h"
#include "engine/job_start.h"
#include "inputs/region_catalogue.h"
#include "inputs/region_tree_model.h"
#include "inputs/saved_inputs.h"
#include "textutil/text_file.h"

#include <QDir>
#include <QFile>

#include <filesystem>
#include <optional>
#include <stdexcept>

namespace korvath {

namespace {

[[noreturn]] void Refuse(const QString& message) {
  throw std::runtime_error(message.toStdString());
}

// Why `path` cannot be read as a file of queries, or nothing when it can.
std::optional<QString> NotAQueriesFile(const QString& path) {
  std::error_code error;
  switch (std::filesystem::status(QFile::encodeName(path).toStdString(), error).type()) {
    case std::filesystem::file_type::regular:
      return std::nullopt;
    case std::filesystem::file_type::not_found:
      return u"no such file"_qs;
    case std::filesystem::file_type::directory:
      return u"it is a folder, not a file"_qs;
    case std::filesystem::file_type::character:
    case std::filesystem::file_type::block:
      return u"it is a device, not a file"_qs;
    case std::filesystem::file_type::fifo:
      return u"it is a pipe, not a file"_qs;
    case std::filesystem::file_type::socket:
      return u"it is a socket, not a file"_qs;
    default:
      return QString::fromStdString(error ? error.message() : "it is not a regular file");
  }
}

// The query lines; a file read as Windows-1251 is said in `notices`.
QStringList ReadQueries(const RunOptions& options, const QString& programFolder,
                        QStringList& notices) {
  QString path = options.queriesFile;
  TextFileLines queries;
  if (path.isEmpty()) {
    path = QueriesFilePath(programFolder);
    queries = LoadQueries(programFolder);
  } else {
    if (const std::optional<QString> reason = NotAQueriesFile(path)) {
      Refuse(u"Cannot open the queries file \"%1\": %2"_qs.arg(path, *reason));
    }
    queries = ReadTextFile(path);
  }
  if (queries.readAsWindows1251) notices.append(Windows1251Notice(path));
  return queries.lines;
}

// The ticked regions as the window would collect them: the catalogue, then the saved ticks.
QStringList ReadRegions(const RunOptions& options, const QString& programFolder,
                        QStringList& notices) {
  if (options.regions) return *options.regions;
  RegionTreeModel tree;
  LoadRegionCatalogue(tree, programFolder);
  CheckCatalogueHasRegions(tree, programFolder);
  if (RestoreSelection(tree, programFolder).readAsWindows1251)
    notices.append(Windows1251Notice(SelectionFilePath(programFolder)));
  return CollectCheckedRegions(tree);
}

// What the run does with the journal's interrupted job; refuses what must not start.
InterruptedJobAnswer AnswerFor(InterruptedJobChoice choice, const JournalSummary& interrupted,
                               const QString& programFolder) {
  switch (choice) {
    case InterruptedJobChoice::Resume:
      return InterruptedJobAnswer::Resume;
    case InterruptedJobChoice::Fresh:
      return InterruptedJobAnswer::StartAnew;
    case InterruptedJobChoice::Refuse:
      break;
  }
  Refuse(
      u"the journal in \"%1\" holds an interrupted job: %2 Give --resume to continue it, "
      u"or --fresh to start a new job in its place."_qs.arg(QDir::toNativeSeparators(programFolder),
                                                            InterruptedJobText(interrupted)));
}

}  // namespace

RunStart PrepareRunStart(const RunOptions& options, const QString& programFolder,
                         QStringList& notices) {
  const std::optional<JobStart> prepared = PrepareJobStart(
      programFolder, [&] { return CheckFolderFree(programFolder); },
      [&notices](const QString& setAside) { notices.append(setAside); },
      [&](const JournalSummary& interrupted) {
        return AnswerFor(options.interruptedJob, interrupted, programFolder);
      });
  RunStart start;
  start.journal = prepared->journal;
  start.resume = prepared->resume;
  start.notices = prepared->notices;
  if (options.interruptedJob == InterruptedJobChoice::Resume && !start.resume) {
    Refuse(u"--resume: nothing to resume, the journal in \"%1\" holds no interrupted job"_qs.arg(
        QDir::toNativeSeparators(programFolder)));
  }
  start.settings.intervalMs = int(options.interval.count());
  if (start.resume) {
    const JournalInputs& inputs = prepared->journalInputs;
    start.settings.retryCount = inputs.retryCount;
    start.settings.capEnabled = inputs.capEnabled;
    start.settings.capValue = inputs.capValue;
    start.settings.queryLines = inputs.queryLines;
    start.regions = inputs.regionEntries;
    return start;
  }
  start.settings.retryCount = options.retryCount;
  start.settings.capEnabled = options.cap.has_value();
  start.settings.capValue = options.cap.value_or(start.settings.capValue);
  start.settings.queryLines = ReadQueries(options, programFolder, notices);
  start.regions = ReadRegions(options, programFolder, notices);
  return start;
}

}  // namespace korvath
