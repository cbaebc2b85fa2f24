#include "results/workbook_sheet.h"

#include "results/workbook_links.h"

#include <QRegularExpression>

#include <xlsxwriter.h>

#include <algorithm>

namespace korvath {
namespace {

// A cell holds at most this many characters.
constexpr qsizetype kMaxCellChars = 32767;
// Columns fit their longest text up to this width (in characters), so a long ad text does not
// push every other column out of sight.
constexpr qsizetype kMaxColumnWidth = 60;
constexpr qsizetype kColumnMargin = 2;

void Check(lxw_error error) {
  if (error != LXW_NO_ERROR) throw WorkbookSheetError(lxw_strerror(error));
}

}  // namespace

QByteArray CellText(const QString& text) {
  QString cell = text;
  if (cell.size() > kMaxCellChars) {
    cell.truncate(kMaxCellChars);
    if (cell.back().isHighSurrogate()) cell.chop(1);
  }
  // A reader takes "_x0041_" for "A"; "_x005F_" before it makes it stand for itself.
  if (cell.contains(u"_x")) {
    static const QRegularExpression kEscapeLike(u"_(x[0-9A-Fa-f]{4}_)"_qs);
    cell.replace(kEscapeLike, u"_x005F_\\1"_qs);
  }
  return cell.toUtf8();
}

WorkbookSheet::WorkbookSheet(lxw_worksheet* sheet, lxw_format* bold, lxw_format* link)
    : sheet_(sheet), bold_(bold), link_(link) {
  if (!sheet_) throw WorkbookSheetError("The sheet could not be added");
}

void WorkbookSheet::Header(std::span<const QString> names) {
  for (std::size_t column = 0; column < names.size(); ++column) {
    Check(worksheet_write_string(sheet_, row_, lxw_col_t(column),
                                 CellText(names[column]).constData(), bold_));
    Fit(int(column), names[column].size() + 1);
  }
  NextRow();
}

void WorkbookSheet::Text(int column, const QString& text) {
  if (text.isEmpty()) return;
  Check(
      worksheet_write_string(sheet_, row_, lxw_col_t(column), CellText(text).constData(), nullptr));
  Fit(column, text.size());
}

void WorkbookSheet::Number(int column, double value) {
  Check(worksheet_write_number(sheet_, row_, lxw_col_t(column), value, nullptr));
}

void WorkbookSheet::Site(int column, const QString& site) {
  const QString target = SiteLinkTarget(site);
  target.isEmpty() ? Text(column, site) : Link(column, target, site);
}

void WorkbookSheet::Email(int column, const QString& email) {
  const QString target = EmailLinkTarget(email);
  target.isEmpty() ? Text(column, email) : Link(column, target, email);
}

// The cached value is the text, so a reader that does not compute formulas shows it too.
void WorkbookSheet::Link(int column, const QString& target, const QString& text) {
  Check(worksheet_write_formula_str(sheet_, row_, lxw_col_t(column),
                                    HyperlinkFormula(target, text).toUtf8().constData(), link_,
                                    CellText(text).constData()));
  Fit(column, text.size());
}

void WorkbookSheet::NextRow() { ++row_; }

void WorkbookSheet::Finish() {
  for (std::size_t column = 0; column < widths_.size(); ++column) {
    const double width = double(std::min(widths_[column] + kColumnMargin, kMaxColumnWidth));
    Check(worksheet_set_column(sheet_, lxw_col_t(column), lxw_col_t(column), width, nullptr));
  }
  worksheet_freeze_panes(sheet_, 1, 0);
  if (!widths_.empty()) {
    Check(worksheet_autofilter(sheet_, 0, 0, row_ - 1, lxw_col_t(widths_.size() - 1)));
  }
}

void WorkbookSheet::Fit(int column, qsizetype characters) {
  if (std::size_t(column) >= widths_.size()) widths_.resize(std::size_t(column) + 1, 0);
  qsizetype& width = widths_[std::size_t(column)];
  width = std::max(width, characters);
}

}  // namespace korvath
