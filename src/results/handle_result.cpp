#include "results/handle_result.h"

#include "results/csv_export.h"
#include "results/run_log.h"
#include "results/workbook_export.h"

#include <QDateTime>
#include <QDir>

#include <exception>

namespace korvath {
namespace {

void SaveWorkingFile(const ResultTable& table, JobWindow& window, const QString& programFolder) {
  if (table.RowCount() == 0) return;
  const QString fileName = u"current.csv"_qs;
  AddLogLine(window, u"Часть сбора данных завершена"_qs);
  AddLogLine(window, u"Сохраняем данные в файл "_qs + fileName);
  try {
    SaveCsvFile(QDir(programFolder).filePath(fileName), table, CsvFile::Working);
  } catch (const std::exception& error) {
    // The job goes on; the next working save rewrites the whole file.
    AddLogLine(window, u"Ошибка записи "_qs + QString::fromStdString(error.what()));
  }
}

// A failure here propagates: the job reports it like any other and pauses.
void SaveResultsFile(const ResultTable& table, JobWindow& window, const QString& programFolder,
                     bool withWorkbook, QString* resultsFile) {
  if (table.RowCount() == 0) return;
  AddLogLine(window, kFinalSaveMessage.toString());
  const QString fileName = UnusedResultsFileName(programFolder, QDateTime::currentDateTime());
  AddLogLine(window, u"Сохраняем данные в файл Excel: "_qs + fileName);
  const QString path = QDir(programFolder).filePath(fileName);
  SaveCsvFile(path, table, CsvFile::Results);
  if (resultsFile != nullptr) *resultsFile = path;
  // The results file is what the user asked for; a workbook that fails must not keep it from them.
  std::exception_ptr workbookFailure;
  if (withWorkbook) {
    AddLogLine(window, u"Сохраняем книгу Excel: "_qs + WorkbookPath(fileName));
    try {
      SaveWorkbook(WorkbookPath(path), table);
    } catch (const std::exception&) {
      workbookFailure = std::current_exception();
    }
  }
  AddLogLine(window, u"Открываем файл с результатами"_qs);
  window.OpenDocument(path);
  if (workbookFailure) std::rethrow_exception(workbookFailure);
}

bool ReportError(const QString& result, JobWindow& window) {
  if (!CallsForErrorPause(result)) return false;
  LogFailure(window, result);
  AddLogLine(window, kErrorPauseMessage.toString());
  window.StartResumeTimer();
  return true;
}

}  // namespace

void LogFailure(JobWindow& window, const QString& result) {
  AddLogLine(window, FailureLine(result));
}

// "ERROR_" marks the failure for HandleResult; the user is told only what went wrong.
QString FailureLine(const QString& result) {
  constexpr QStringView kMark = u"ERROR_";
  return u"Ошибка: "_qs + (result.startsWith(kMark) ? result.mid(kMark.size()) : result);
}

bool CallsForErrorPause(const QString& result) {
  return !result.contains(u"404 Not Found") && !result.contains(u"Повтор");
}

bool HandleResult(const QString& result, const QString& resulttype, const ResultTable& table,
                  JobWindow& window, const QString& programFolder, bool withWorkbook,
                  QString* resultsFile) {
  if (result.contains(u"ERROR")) return ReportError(result, window);
  if (resulttype == u"jobdone")
    SaveResultsFile(table, window, programFolder, withWorkbook, resultsFile);
  else if (resulttype == u"savecurrent")
    SaveWorkingFile(table, window, programFolder);
  return false;
}

}  // namespace korvath
