#include "results/workbook_export.h"

#include "results/advertisers.h"
#include "results/csv_rows.h"
#include "results/workbook_sheet.h"
#include "textutil/file_errors.h"
#include "textutil/russian_plural.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <stdexcept>

namespace korvath {
namespace {

enum AdColumn { kAdSite = 5, kAdEmail = 12 };

const QString kAdvertiserHeader[] = {
    u"Название компании"_qs, u"Телефон"_qs, u"E-mail"_qs,
    u"Сайт компании"_qs,     u"Город"_qs,   u"Адрес"_qs,
    u"Запросы"_qs,           u"Регионы"_qs, u"Объявлений"_qs,
};

// Queries and regions may hold commas themselves.
const QString kListSeparator = u"; "_qs;

[[noreturn]] void Fail(const QString& path, const QString& reason) {
  throw std::runtime_error(FileFailureText(FileAction::Write, path, reason).toStdString());
}

// Owns the library's workbook; closing it is what writes the file.
class Workbook {
 public:
  Workbook(const QString& path, const QString& tempFolder)
      : tempFolder_(QFile::encodeName(tempFolder)) {
    // Rows go to temporary files as they are written, so memory stays flat however many there are.
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = tempFolder_.data();
    book_ = workbook_new_opt(QFile::encodeName(path).constData(), &options);
    if (!book_) Fail(path, u"Out of memory"_qs);
    bold_ = workbook_add_format(book_);
    format_set_bold(bold_);
    link_ = workbook_add_format(book_);
    format_set_font_color(link_, LXW_COLOR_BLUE);
    format_set_underline(link_, LXW_UNDERLINE_SINGLE);
  }
  ~Workbook() {
    if (book_) workbook_close(book_);
  }
  Workbook(const Workbook&) = delete;
  Workbook& operator=(const Workbook&) = delete;

  WorkbookSheet AddSheet(const char* name) {
    return WorkbookSheet(workbook_add_worksheet(book_, name), bold_, link_);
  }

  void Close(const QString& path) {
    const lxw_error error = workbook_close(book_);
    book_ = nullptr;
    if (error != LXW_NO_ERROR) Fail(path, QString::fromUtf8(lxw_strerror(error)));
  }

 private:
  QByteArray tempFolder_;
  lxw_workbook* book_ = nullptr;
  lxw_format* bold_ = nullptr;
  lxw_format* link_ = nullptr;
};

QString Joined(const QStringList& list) { return list.join(kListSeparator); }

void WriteAds(WorkbookSheet& sheet, const ResultTable& table, AdvertiserMerge& merge) {
  sheet.Header(CsvHeader());
  for (qsizetype row = 0; row < table.RowCount(); ++row) {
    const CsvRow fields = DeriveCsvRow(table, row, CsvFile::Results);
    for (int column = 0; column < kCsvColumnCount; ++column) {
      if (column == kAdSite) {
        sheet.Site(column, fields[column]);
      } else if (column == kAdEmail) {
        sheet.Email(column, fields[column]);
      } else {
        sheet.Text(column, fields[column]);
      }
    }
    sheet.NextRow();
    merge.Add(fields, table.Data_CardPhone1.value(row));
  }
  sheet.Finish();
}

void WriteAdvertisers(WorkbookSheet& sheet, const std::vector<Advertiser>& advertisers) {
  sheet.Header(kAdvertiserHeader);
  for (const Advertiser& advertiser : advertisers) {
    sheet.Text(0, advertiser.company);
    sheet.Text(1, advertiser.phone);
    sheet.Email(2, advertiser.email);
    sheet.Site(3, advertiser.site);
    sheet.Text(4, advertiser.city);
    sheet.Text(5, advertiser.address);
    sheet.Text(6, Joined(advertiser.queries));
    sheet.Text(7, Joined(advertiser.regions));
    sheet.Number(8, double(advertiser.adCount));
    sheet.NextRow();
  }
  sheet.Finish();
}

}  // namespace

QString WorkbookPath(const QString& csvPath) {
  QString path = csvPath;
  if (path.endsWith(u".csv"_qs, Qt::CaseInsensitive)) path.chop(4);
  return path + u".xlsx"_qs;
}

void SaveWorkbook(const QString& path, const ResultTable& table) {
  if (table.RowCount() >= qsizetype(LXW_ROW_MAX)) {
    Fail(path, u"на листе помещается не больше %1 под заголовком, а в таблице их %2"_qs.arg(
                   CountOf(LXW_ROW_MAX - 1, {u"строки", u"строк", u"строк"}),
                   QString::number(table.RowCount())));
  }
  const QString folder = QFileInfo(path).absolutePath();
  QTemporaryFile temp(path + u".XXXXXX"_qs);
  if (!temp.open()) Fail(path, temp.errorString());
  try {
    Workbook book(temp.fileName(), folder);
    WorkbookSheet ads = book.AddSheet("Объявления");
    WorkbookSheet advertisers = book.AddSheet("Рекламодатели");
    AdvertiserMerge merge;
    WriteAds(ads, table, merge);
    WriteAdvertisers(advertisers, merge.Advertisers());
    book.Close(path);
  } catch (const WorkbookSheetError& error) {
    Fail(path, QString::fromUtf8(error.what()));
  }
  // Unlike a plain rename, this one never replaces a file that took the name meanwhile.
  if (!temp.rename(path)) Fail(path, temp.errorString());
  temp.setAutoRemove(false);
}

}  // namespace korvath
