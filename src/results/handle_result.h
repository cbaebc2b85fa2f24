#pragma once

#include "results/job_window.h"
#include "results/result_table.h"

#include <QString>
#include <QStringView>

#include <chrono>

namespace korvath {

// The first line of the final save.
inline constexpr QStringView kFinalSaveMessage = u"Сбор данных завершен";

// The error pause: how long the job waits after a failure, and the log line that says so.
inline constexpr std::chrono::milliseconds kErrorPauseLength{15000};
inline constexpr QStringView kErrorPauseMessage = u"Включаем паузу на 15 секунд";

// The error report's log line, ": Ошибка: " and `result`, without the error pause.
void LogFailure(JobWindow& window, const QString& result);
QString FailureLine(const QString& result);
// Whether an error report is shown and followed by the error pause: a missing page and the job's
// own repeat request are handled by the job itself.
bool CallsForErrorPause(const QString& result);

// Runs on the user-interface thread. Working save, final save (throws when the results file fails;
// the shell is asked to open it through window.OpenDocument), or error report (log lines +
// window.StartResumeTimer()). Returns true when the job must now be held (the error pause); the
// caller holds the job. With `withWorkbook`, the final save writes the results file's workbook
// too; a workbook that fails is raised like a results file that fails, but only once the results
// file is written and opened. The path of a results file written goes to `resultsFile`.
bool HandleResult(const QString& result, const QString& resulttype, const ResultTable& table,
                  JobWindow& window, const QString& programFolder, bool withWorkbook = true,
                  QString* resultsFile = nullptr);

}  // namespace korvath
