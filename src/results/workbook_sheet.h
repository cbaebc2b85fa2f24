#pragma once

#include <QString>

#include <span>
#include <stdexcept>
#include <vector>

struct lxw_worksheet;
struct lxw_format;

namespace korvath {

// The library refused a cell or a sheet setting.
class WorkbookSheetError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Writes one sheet row by row, left to right, as the workbook's constant-memory mode requires: a
// bold header, then text cells (never numbers, so that phones and codes stay as they read) and
// link cells. Finish fits the column widths to the longest text, freezes the header and puts a
// filter on it. Throws WorkbookSheetError.
class WorkbookSheet {
 public:
  WorkbookSheet(lxw_worksheet* sheet, lxw_format* bold, lxw_format* link);

  void Header(std::span<const QString> names);
  void Text(int column, const QString& text);
  void Number(int column, double value);
  // A link when the text is one site or one e-mail address, plain text otherwise.
  void Site(int column, const QString& site);
  void Email(int column, const QString& email);
  void NextRow();
  void Finish();

 private:
  void Link(int column, const QString& target, const QString& text);
  void Fit(int column, qsizetype characters);

  lxw_worksheet* sheet_;
  lxw_format* bold_;
  lxw_format* link_;
  unsigned row_ = 0;
  std::vector<qsizetype> widths_;
};

// What a cell holds for `text`: UTF-8, cut to the characters a cell can hold, with a literal
// "_xHHHH_" kept from being read as an escaped character.
QByteArray CellText(const QString& text);

}  // namespace korvath
