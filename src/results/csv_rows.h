#pragma once

#include "results/csv_export.h"
#include "results/result_table.h"

#include <QString>

#include <array>

namespace korvath {

inline constexpr int kCsvColumnCount = 13;
using CsvRow = std::array<QString, kCsvColumnCount>;

// The column names of the header line.
const CsvRow& CsvHeader();

// The 13 exported values of table row `row`, with the derivations that file `kind` applies.
CsvRow DeriveCsvRow(const ResultTable& table, qsizetype row, CsvFile kind);

}  // namespace korvath
