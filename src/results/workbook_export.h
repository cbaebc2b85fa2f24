#pragma once

#include "results/result_table.h"

#include <QString>

namespace korvath {

// The workbook beside a results file: the same name with ".xlsx" instead of ".csv".
QString WorkbookPath(const QString& csvPath);

// Writes the workbook of a results file: sheet "Объявления" holds the results file's header and
// rows (text as text, sites and e-mails as links), sheet "Рекламодатели" one row per advertiser.
// The workbook is written beside `path` under a temporary name and then given `path`, which an
// existing file keeps: nothing is replaced. Throws std::runtime_error when it cannot be written.
void SaveWorkbook(const QString& path, const ResultTable& table);

}  // namespace korvath
