// The results file's workbook for a large table, set against a bare libxlsxwriter program that
// writes the very same cells (prepared beforehand as UTF-8) with the same calls and options.
//
//   workbook_bench ours|peer ROWS [RUNS]
//
// Each run prints one line: rows, wall and CPU milliseconds of the save alone, and the memory
// it added: the peak resident size during the save above the resident size before it.
#include "process_stats.h"

#include "results/advertisers.h"
#include "results/csv_rows.h"
#include "results/workbook_export.h"
#include "results/workbook_links.h"
#include "results/workbook_sheet.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

namespace korvath {
namespace {

const QString kFiller = u"Страница контактной информации отсутствует"_qs;

// Rows shaped like real ones (as in the CSV benchmark); every fifth advertiser comes back under
// other queries and regions, so the merge has work to do.
ResultTable MakeTable(int rows) {
  ResultTable table;
  const QString queries[] = {u"пластиковые окна"_qs, u"двери межкомнатные"_qs};
  const QString regions[] = {u"Москва"_qs, u"Санкт-Петербург"_qs, u"Казань"_qs};
  for (int i = 0; i < rows; ++i) {
    const bool noCard = i % 10 == 0;
    const int advertiser = i % 5 == 0 ? i / 50 : i;
    table.Append({queries[i % 2], regions[i % 3], QString::number(i % 40 + 1),
                  u"Пластиковые окна от производителя — скидки до 40%"_qs,
                  u"Окна ПВХ под ключ. Замер бесплатно! Монтаж за 1 день. Гарантия 10 лет."_qs,
                  u"okna-%1.ru"_qs.arg(advertiser),
                  noCard ? kFiller : u"Россия, Москва, ул. Тверская, 1"_qs,
                  noCard ? kFiller : u"info@okna-%1.ru"_qs.arg(advertiser),
                  noCard ? kFiller : u"г. Москва, ул. Тверская, д. 1, офис 12"_qs,
                  noCard ? kFiller : u"ООО «Окна Плюс»"_qs,
                  noCard ? kFiller : u"+7 (495) %1"_qs.arg(1000000 + advertiser)});
  }
  return table;
}

// One cell as the peer writes it.
struct Cell {
  int sheet;
  unsigned row;
  unsigned short column;
  enum Kind { Header, Text, Link, Number } kind;
  QByteArray text;
  QByteArray formula;
  double number = 0;
};

struct PeerSheet {
  std::vector<double> widths;
  unsigned rows = 0;
};

// What the workbook holds, cell by cell, worked out before the clock starts.
std::vector<Cell> PeerCells(const ResultTable& table, PeerSheet (&sheets)[2]) {
  std::vector<Cell> cells;
  auto add = [&](int sheet, unsigned row, int column, Cell::Kind kind, const QString& text,
                 const QString& target = {}) {
    if (text.isEmpty() && kind != Cell::Number) return;
    Cell cell{sheet, row, static_cast<unsigned short>(column), kind, CellText(text), {}};
    if (kind == Cell::Link && target.isEmpty()) cell.kind = Cell::Text;
    if (cell.kind == Cell::Link) cell.formula = HyperlinkFormula(target, text).toUtf8();
    cells.push_back(std::move(cell));
  };
  const CsvRow& header = CsvHeader();
  for (int column = 0; column < kCsvColumnCount; ++column)
    add(0, 0, column, Cell::Header, header[column]);
  AdvertiserMerge merge;
  for (qsizetype row = 0; row < table.RowCount(); ++row) {
    const CsvRow fields = DeriveCsvRow(table, row, CsvFile::Results);
    for (int column = 0; column < kCsvColumnCount; ++column) {
      const QString target = column == 5    ? SiteLinkTarget(fields[column])
                             : column == 12 ? EmailLinkTarget(fields[column])
                                            : QString();
      add(0, unsigned(row + 1), column, column == 5 || column == 12 ? Cell::Link : Cell::Text,
          fields[column], target);
    }
    merge.Add(fields, table.Data_CardPhone1.value(row));
  }
  const QString names[] = {u"Название компании"_qs, u"Телефон"_qs, u"E-mail"_qs,
                           u"Сайт компании"_qs,     u"Город"_qs,   u"Адрес"_qs,
                           u"Запросы"_qs,           u"Регионы"_qs, u"Объявлений"_qs};
  for (int column = 0; column < 9; ++column) add(1, 0, column, Cell::Header, names[column]);
  unsigned row = 1;
  for (const Advertiser& a : merge.Advertisers()) {
    add(1, row, 0, Cell::Text, a.company);
    add(1, row, 1, Cell::Text, a.phone);
    add(1, row, 2, Cell::Link, a.email, EmailLinkTarget(a.email));
    add(1, row, 3, Cell::Link, a.site, SiteLinkTarget(a.site));
    add(1, row, 4, Cell::Text, a.city);
    add(1, row, 5, Cell::Text, a.address);
    add(1, row, 6, Cell::Text, a.queries.join(u"; "_qs));
    add(1, row, 7, Cell::Text, a.regions.join(u"; "_qs));
    Cell count{1, row, 8, Cell::Number, {}, {}, double(a.adCount)};
    cells.push_back(count);
    ++row;
  }
  sheets[0] = {std::vector<double>(kCsvColumnCount, 30), unsigned(table.RowCount() + 1)};
  sheets[1] = {std::vector<double>(9, 30), row};
  return cells;
}

void WritePeer(const QString& path, const std::vector<Cell>& cells, const PeerSheet (&shape)[2],
               const QByteArray& tempFolder) {
  lxw_workbook_options options = {};
  options.constant_memory = LXW_TRUE;
  options.tmpdir = const_cast<char*>(tempFolder.constData());
  lxw_workbook* book = workbook_new_opt(QFile::encodeName(path).constData(), &options);
  lxw_format* bold = workbook_add_format(book);
  format_set_bold(bold);
  lxw_format* link = workbook_add_format(book);
  format_set_font_color(link, LXW_COLOR_BLUE);
  format_set_underline(link, LXW_UNDERLINE_SINGLE);
  lxw_worksheet* sheets[] = {workbook_add_worksheet(book, "Объявления"),
                             workbook_add_worksheet(book, "Рекламодатели")};
  for (const Cell& cell : cells) {
    lxw_worksheet* sheet = sheets[cell.sheet];
    switch (cell.kind) {
      case Cell::Header:
        worksheet_write_string(sheet, cell.row, cell.column, cell.text.constData(), bold);
        break;
      case Cell::Text:
        worksheet_write_string(sheet, cell.row, cell.column, cell.text.constData(), nullptr);
        break;
      case Cell::Link:
        worksheet_write_formula_str(sheet, cell.row, cell.column, cell.formula.constData(), link,
                                    cell.text.constData());
        break;
      case Cell::Number:
        worksheet_write_number(sheet, cell.row, cell.column, cell.number, nullptr);
        break;
    }
  }
  for (int s = 0; s < 2; ++s) {
    for (std::size_t column = 0; column < shape[s].widths.size(); ++column)
      worksheet_set_column(sheets[s], lxw_col_t(column), lxw_col_t(column), shape[s].widths[column],
                           nullptr);
    worksheet_freeze_panes(sheets[s], 1, 0);
    worksheet_autofilter(sheets[s], 0, 0, shape[s].rows - 1, lxw_col_t(shape[s].widths.size() - 1));
  }
  if (workbook_close(book) != LXW_NO_ERROR) std::fputs("the peer's workbook failed\n", stderr);
}

}  // namespace
}  // namespace korvath

int main(int argc, char* argv[]) {
  using namespace korvath;
  if (argc < 3 || (std::strcmp(argv[1], "ours") != 0 && std::strcmp(argv[1], "peer") != 0)) {
    std::fputs("usage: workbook_bench ours|peer ROWS [RUNS]\n", stderr);
    return 2;
  }
  const bool ours = std::strcmp(argv[1], "ours") == 0;
  const int rows = std::atoi(argv[2]);
  const int runs = argc > 3 ? std::atoi(argv[3]) : 1;
  const ResultTable table = MakeTable(rows);
  PeerSheet shape[2];
  const std::vector<Cell> cells = ours ? std::vector<Cell>{} : PeerCells(table, shape);
  QTemporaryDir dir;
  const QString path = QDir(dir.path()).filePath(u"results.xlsx"_qs);
  std::printf("%-4s %8s %9s %9s %10s %10s\n", "who", "rows", "wall ms", "cpu ms", "before KiB",
              "added KiB");
  for (int run = 0; run < runs; ++run) {
    QFile::remove(path);
    // Resets the peak resident size, so that each run's peak is its own.
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = StatusKb("VmRSS:");
    const double cpu = CpuMs();
    const auto start = std::chrono::steady_clock::now();
    if (ours) {
      SaveWorkbook(path, table);
    } else {
      WritePeer(path, cells, shape, QFile::encodeName(dir.path()));
    }
    const std::chrono::duration<double, std::milli> wall = std::chrono::steady_clock::now() - start;
    std::printf("%-4s %8d %9.0f %9.0f %10ld %10ld\n", argv[1], rows, wall.count(), CpuMs() - cpu,
                before, StatusKb("VmHWM:") - before);
  }
  return 0;
}
