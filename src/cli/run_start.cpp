#include "cli/run_start.h"

#include "engine/interrupted_job.h"
#include "engine/job_folders.h"
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

// Whether the run goes on with the journal's job; refuses what must not start.
bool ResumesInterruptedJob(InterruptedJobChoice choice, const JournalAtStart& found,
                           const QString& programFolder) {
  switch (choice) {
    case InterruptedJobChoice::Resume:
      if (!found.interrupted) {
        Refuse(
            u"--resume: nothing to resume, the journal in \"%1\" holds no interrupted job"_qs.arg(
                QDir::toNativeSeparators(programFolder)));
      }
      return true;
    case InterruptedJobChoice::Fresh:
      return false;
    case InterruptedJobChoice::Refuse:
      break;
  }
  if (found.interrupted) {
    Refuse(
        u"the journal in \"%1\" holds an interrupted job: %2 Give --resume to continue it, "
        u"or --fresh to start a new job in its place."_qs.arg(
            QDir::toNativeSeparators(programFolder), InterruptedJobText(*found.interrupted)));
  }
  return false;
}

}  // namespace

RunStart PrepareRunStart(const RunOptions& options, const QString& programFolder,
                         QStringList& notices) {
  // What the journal says belongs to no other job running here.
  CheckFolderFree(programFolder);
  const JournalAtStart found = OpenJournalAtStart(
      programFolder, [&notices](const QString& setAside) { notices.append(setAside); });

  RunStart start;
  start.journal = found.journal;
  start.resume = ResumesInterruptedJob(options.interruptedJob, found, programFolder);
  start.settings.intervalMs = int(options.interval.count());
  if (start.resume) {
    const JournalInputs inputs = found.journal->Inputs();
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
