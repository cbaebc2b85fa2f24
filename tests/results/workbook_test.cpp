#include "results/card_texts.h"
#include "results/csv_export.h"
#include "results/workbook_export.h"
#include "results/workbook_links.h"
#include "results/workbook_sheet.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvath {
namespace {

const QString kFiller = kMissingCardFiller.toString();

struct LinkCase {
  const char* name;
  QString text;
  QString site;
  QString email;
};

class WorkbookLinkTargets : public testing::TestWithParam<LinkCase> {};

TEST_P(WorkbookLinkTargets, LeadWhereTheTextSays) {
  const LinkCase& c = GetParam();
  EXPECT_EQ(SiteLinkTarget(c.text), c.site);
  EXPECT_EQ(EmailLinkTarget(c.text), c.email);
}

const QString kLong = QString(250, u'a') + u".ru"_qs;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Texts, WorkbookLinkTargets, testing::Values(
    LinkCase{"BareSite", u"okna.ru"_qs, u"http://okna.ru"_qs, u""_qs},
    LinkCase{"SiteWithPath", u"okna.ru/msk"_qs, u"http://okna.ru/msk"_qs, u""_qs},
    LinkCase{"SchemeKept", u"HTTPS://okna.ru"_qs, u"HTTPS://okna.ru"_qs, u""_qs},
    LinkCase{"CyrillicSite", u"окна.рф"_qs, u"http://окна.рф"_qs, u""_qs},
    LinkCase{"Email", u"info@okna.ru"_qs, u""_qs, u"mailto:info@okna.ru"_qs},
    LinkCase{"TwoEmails", u"a@b.ru, c@d.ru"_qs, u""_qs, u""_qs},
    LinkCase{"NoDomain", u"info@"_qs, u""_qs, u""_qs},
    LinkCase{"Words", u"Окна на заказ"_qs, u""_qs, u""_qs},
    LinkCase{"Filler", kFiller, u""_qs, u""_qs},
    LinkCase{"Empty", u""_qs, u""_qs, u""_qs},
    LinkCase{"TooLongForAFormula", kLong, u""_qs, u""_qs}),
    [](const auto& info) { return info.param.name; });
// clang-format on

TEST(WorkbookLinks, FormulaDoublesQuotes) {
  EXPECT_EQ(HyperlinkFormula(u"http://a.ru/?q=\"x\"", u"a"),
            u"=HYPERLINK(\"http://a.ru/?q=\"\"x\"\"\",\"a\")"_qs);
}

TEST(WorkbookCells, CutToWhatACellHoldsWithoutSplittingACharacter) {
  const QString pair = u"😀"_qs;
  const QString text = QString(32766, u'a') + pair;
  EXPECT_EQ(CellText(text), QByteArray(32766, 'a'));
  EXPECT_EQ(CellText(QString(40000, u'b')).size(), 32767);
  EXPECT_EQ(CellText(u"_x0041_ и _x12_"_qs), u"_x005F_x0041_ и _x12_"_qs.toUtf8());
}

TEST(SaveWorkbook, NeverReplacesAFileAndLeavesNoTemporaryFile) {
  QTemporaryDir dir;
  ResultTable table;
  table.Append({u"q"_qs, u"r"_qs, u"1"_qs, u"t"_qs, u"x"_qs, u"d.ru"_qs, u"Россия"_qs, u""_qs,
                u""_qs, u"c"_qs, u""_qs});
  const QString path = QDir(dir.path()).filePath(u"results.xlsx"_qs);
  QFile existing(path);
  ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
  existing.write("earlier");
  existing.close();
  EXPECT_THROW(SaveWorkbook(path, table), std::runtime_error);
  ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
  EXPECT_EQ(existing.readAll(), "earlier");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{u"results.xlsx"_qs});

  try {
    SaveWorkbook(QDir(dir.path()).filePath(u"gone/results.xlsx"_qs), table);
    ADD_FAILURE() << "a workbook in a missing folder was reported written";
  } catch (const std::runtime_error& error) {
    EXPECT_TRUE(QString::fromUtf8(error.what()).startsWith(u"Не удаётся записать файл \""_qs))
        << error.what();
  }
}

// Eight ads of five advertisers: the same line reached through two forms of its number, one site
// behind two forms of its address (one ad without a card), one company under two spellings, an ad
// with nothing to go by, and an ad of its own with text that tests the cells' escaping.
ResultTable TableWithDuplicates() {
  ResultTable table;
  const QString moscow = u"Россия, Москва"_qs;
  auto add = [&table](QString keyword, QString region, QString pos, QString domain,
                      QString cardRegion, QString email, QString address, QString company,
                      QString phone, QString text = u"Текст"_qs) {
    table.Append({keyword, region, pos, u"Заголовок "_qs + pos, text, domain, cardRegion, email,
                  address, company, phone});
  };
  add(u"окна"_qs, u"Москва"_qs, u"1"_qs, u"okna.ru"_qs, moscow, u"info@okna.ru"_qs,
      u"ул. Ленина, 1"_qs, u"ООО Окна"_qs, u"+7 (495) 123-45-67"_qs);
  add(u"окна"_qs, u"Казань"_qs, u"1"_qs, u"www.okna.ru"_qs, u"Россия, Казань"_qs, u""_qs, u""_qs,
      u"Окна"_qs, u"8 (495) 123-45-67 доб. 2"_qs);
  add(u"двери"_qs, u"Москва"_qs, u"1"_qs, u"dveri.ru"_qs, kFiller, kFiller, kFiller, kFiller,
      kFiller);
  add(u"двери"_qs, u"Москва"_qs, u"2"_qs, u"https://www.Dveri.ru/sale"_qs,
      u"Россия, Москва, ул. Тверская"_qs, u""_qs, u""_qs, u"Двери"_qs, u""_qs);
  add(u"окна"_qs, u"Москва"_qs, u"2"_qs, u""_qs, moscow, u""_qs, u""_qs, u"ИП Петров"_qs, u""_qs);
  add(u"двери"_qs, u"Москва"_qs, u"3"_qs, u""_qs, moscow, u""_qs, u""_qs, u"ип  петров"_qs, u""_qs);
  add(u"окна"_qs, u"Москва"_qs, u"3"_qs, u""_qs, kFiller, kFiller, kFiller, kFiller, kFiller);
  add(u"окна \"пвх\""_qs, u"Казань"_qs, u"2"_qs, u"site.ru"_qs, u"Россия, Казань"_qs,
      u"a@site.ru"_qs, u""_qs, u"Люкс"_qs, u"+7 (843) 111-22-33"_qs, u"A_x0041_B\r\nC;\tD"_qs);
  return table;
}

// The workbook and the CSV as python3's openpyxl and csv modules read them; empty when they are
// not installed.
std::optional<QJsonObject> ReadBack(const QString& workbook, const QString& csv) {
  const QString script = QStringLiteral(KORVATH_READ_WORKBOOK_SCRIPT);
  for (const QString& python : {u"/usr/bin/python3"_qs, u"python3"_qs}) {
    QProcess process;
    process.start(python, {script, workbook, csv});
    if (!process.waitForFinished(60000)) continue;
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
      const QByteArray error = process.readAllStandardError();
      if (error.contains("No module named 'openpyxl'")) continue;
      ADD_FAILURE() << "the workbook could not be read: " << error.toStdString();
      return QJsonObject{};
    }
    return QJsonDocument::fromJson(process.readAllStandardOutput()).object();
  }
  return std::nullopt;
}

QString Text(const QJsonValue& cell) {
  const QJsonValue value = cell[u"value"_qs];
  return value.isDouble() ? QString::number(value.toDouble()) : value.toString();
}

class WorkbookReadBack : public testing::Test {
 protected:
  void SetUp() override {
    const QString csv = dir_.filePath(u"results.csv"_qs);
    SaveCsvFile(csv, table_, CsvFile::Results);
    SaveWorkbook(WorkbookPath(csv), table_);
    const std::optional<QJsonObject> read = ReadBack(WorkbookPath(csv), csv);
    if (!read) GTEST_SKIP() << "python3 with openpyxl (Debian: python3-openpyxl) is not installed";
    read_ = *read;
  }

  QJsonObject Sheet(const QString& name) const { return read_[u"sheets"_qs][name].toObject(); }

  QTemporaryDir dir_;
  ResultTable table_ = TableWithDuplicates();
  QJsonObject read_;
};

TEST_F(WorkbookReadBack, AdsSheetHoldsEveryCsvFieldAsText) {
  EXPECT_EQ(read_[u"order"_qs].toArray(), (QJsonArray{u"Объявления"_qs, u"Рекламодатели"_qs}));
  const QJsonArray csv = read_[u"csv"_qs].toArray();
  const QJsonArray rows = Sheet(u"Объявления"_qs)[u"rows"_qs].toArray();
  ASSERT_EQ(csv.size(), table_.RowCount() + 1);
  ASSERT_EQ(rows.size(), csv.size());
  for (qsizetype row = 0; row < csv.size(); ++row) {
    const QJsonArray fields = csv[row].toArray();
    const QJsonArray cells = rows[row].toArray();
    ASSERT_EQ(cells.size(), fields.size()) << "row " << row;
    for (qsizetype column = 0; column < fields.size(); ++column) {
      const QJsonValue value = cells[column][u"value"_qs];
      EXPECT_TRUE(value.isString() || value.isNull()) << "row " << row << " column " << column;
      EXPECT_EQ(value.toString(), fields[column].toString())
          << "row " << row << " column " << column;
    }
  }
}

TEST_F(WorkbookReadBack, LinksLeadWhereTheirTextSays) {
  static const QRegularExpression kLink(u"^=HYPERLINK\\(\"([^\"]*)\",\"([^\"]*)\"\\)$"_qs);
  int links = 0;
  for (const QString& sheet : {u"Объявления"_qs, u"Рекламодатели"_qs}) {
    for (const QJsonValue& row : Sheet(sheet)[u"rows"_qs].toArray()) {
      for (const QJsonValue& cell : row.toArray()) {
        const QString formula = cell[u"formula"_qs].toString();
        if (!formula.startsWith(u'=')) continue;
        const QRegularExpressionMatch match = kLink.match(formula);
        ASSERT_TRUE(match.hasMatch()) << formula.toStdString();
        const QString text = Text(cell);
        EXPECT_EQ(match.captured(2), text);
        const QString target = match.captured(1);
        EXPECT_TRUE(target == u"mailto:"_qs + text || target == u"http://"_qs + text ||
                    (target == text && text.startsWith(u"http")))
            << target.toStdString() << " for " << text.toStdString();
        ++links;
      }
    }
  }
  // Five sites and two e-mails among the ads, three sites and two e-mails among the advertisers.
  EXPECT_EQ(links, 12);
}

TEST_F(WorkbookReadBack, HeaderIsBoldFrozenAndFilteredColumnsFitted) {
  for (const auto& [name, columns, rows] :
       {std::tuple{u"Объявления"_qs, u"M"_qs, 9}, std::tuple{u"Рекламодатели"_qs, u"I"_qs, 6}}) {
    const QJsonObject sheet = Sheet(name);
    for (const QJsonValue& bold : sheet[u"bold"_qs].toArray()) EXPECT_TRUE(bold.toBool());
    EXPECT_EQ(sheet[u"freeze"_qs].toString(), u"A2"_qs);
    EXPECT_EQ(sheet[u"filter"_qs].toString(), u"A1:%1%2"_qs.arg(columns).arg(rows));
    const QJsonObject widths = sheet[u"widths"_qs].toObject();
    EXPECT_EQ(widths.size(), sheet[u"bold"_qs].toArray().size());
    for (const QJsonValue& width : widths) {
      EXPECT_GE(width.toDouble(), 5);
      EXPECT_LE(width.toDouble(), 63);
    }
  }
  // "Страница контактной информации отсутствует" is 42 characters, the widest of the company
  // column.
  EXPECT_NEAR(Sheet(u"Объявления"_qs)[u"widths"_qs][u"G"_qs].toDouble(), 44.7, 0.1);
}

TEST_F(WorkbookReadBack, AdvertisersSheetMergesByKey) {
  const QJsonArray rows = Sheet(u"Рекламодатели"_qs)[u"rows"_qs].toArray();
  QList<QStringList> read;
  for (const QJsonValue& row : rows) {
    QStringList cells;
    for (const QJsonValue& cell : row.toArray()) cells.append(Text(cell));
    read.append(cells);
  }
  const QList<QStringList> expected = {
      {u"Название компании"_qs, u"Телефон"_qs, u"E-mail"_qs, u"Сайт компании"_qs, u"Город"_qs,
       u"Адрес"_qs, u"Запросы"_qs, u"Регионы"_qs, u"Объявлений"_qs},
      {u"ООО Окна"_qs, u"+7 (495) 123-45-67"_qs, u"info@okna.ru"_qs, u"okna.ru"_qs, u"Москва"_qs,
       u"ул. Ленина, 1"_qs, u"окна"_qs, u"Москва; Казань"_qs, u"2"_qs},
      {u"Двери"_qs, u""_qs, u""_qs, u"dveri.ru"_qs, u"Москва"_qs, u""_qs, u"двери"_qs, u"Москва"_qs,
       u"2"_qs},
      {u"ИП Петров"_qs, u""_qs, u""_qs, u""_qs, u"Москва"_qs, u""_qs, u"окна; двери"_qs,
       u"Москва"_qs, u"2"_qs},
      {u""_qs, u""_qs, u""_qs, u""_qs, u""_qs, u""_qs, u"окна"_qs, u"Москва"_qs, u"1"_qs},
      {u"Люкс"_qs, u"+7 (843) 111-22-33"_qs, u"a@site.ru"_qs, u"site.ru"_qs, u"Казань"_qs, u""_qs,
       u"окна \"пвх\""_qs, u"Казань"_qs, u"1"_qs},
  };
  EXPECT_EQ(read, expected);
}

}  // namespace
}  // namespace korvath
