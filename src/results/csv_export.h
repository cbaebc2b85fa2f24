#pragma once

#include "results/result_table.h"

#include <QDateTime>
#include <QIODevice>
#include <QString>

namespace korvath {

// The working file ("current.csv") is saved after every card; the results file at the end of a
// job. They share the layout but derive some columns differently.
enum class CsvFile { Working, Results };

// Writes the header line and every row as Windows-1251 bytes, ";" between quoted fields, CR LF;
// a double quote inside a field is doubled. Throws std::runtime_error when `out` refuses bytes.
void WriteCsv(QIODevice& out, const ResultTable& table, CsvFile kind);

// Writes the file completely beside `path` and then renames it over the old one.
// Throws std::runtime_error when the file cannot be created or written.
void SaveCsvFile(const QString& path, const ResultTable& table, CsvFile kind);

// "results-YYYYMMDDhhmmss.csv" for the given local time.
QString ResultsFileName(const QDateTime& localTime);

// ResultsFileName, with "-2", "-3", … before ".csv" while `folder` already holds a file of that
// name or its workbook (".xlsx"): a save never replaces an earlier job's results.
QString UnusedResultsFileName(const QString& folder, const QDateTime& localTime);

}  // namespace korvath
