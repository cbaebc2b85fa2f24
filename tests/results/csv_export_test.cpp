#include "results/csv_export.h"
#include "results/card_texts.h"
#include "results/cp1251_encoder.h"
#include "textutil/windows1251.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvath {
namespace {

const QString kFiller = kMissingCardFiller.toString();
const QString kNoRegion = kRegionNotGiven.toString();
const QString kHeader =
    u"\"Регион\";\"Запрос\";\"Позиция\";\"Заголовок\";\"Текст\";\"Сайт компании\";"
    "\"Название компании\";\"Страна\";\"Город\";\"Адрес\";\"Код1\";\"Телефон1\";\"E-mail\"\r\n"_qs;

QByteArray Write(const ResultTable& table, CsvFile kind) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  WriteCsv(buffer, table, kind);
  return buffer.data();
}

QString WriteDecoded(const ResultTable& table, CsvFile kind) {
  return DecodeWindows1251(Write(table, kind));
}

ResultRow Row(const QString& cardRegion, const QString& company, const QString& phone) {
  return {u"окна"_qs,          u"Москва"_qs,  u"1"_qs,    u"Окна ПВХ"_qs,
          u"Дёшево"_qs,        u"okna.ru"_qs, cardRegion, u"a@b.ru"_qs,
          u"ул. Ленина, 1"_qs, company,       phone};
}

TEST(CsvExport, WritesHeaderAndRowsAsWindows1251) {
  EXPECT_EQ(WriteDecoded(ResultTable{}, CsvFile::Results), kHeader);
  ResultTable table;
  table.Append(Row(u"Россия, Москва"_qs, u"ООО Окна"_qs, u"+7 (495) 123-45-67 "_qs));
  const QByteArray bytes = Write(table, CsvFile::Working);
  EXPECT_TRUE(bytes.startsWith("\"\xD0\xE5\xE3\xE8\xEE\xED\";"));  // "Регион"
  EXPECT_EQ(WriteDecoded(table, CsvFile::Working),
            kHeader +
                u"\"Москва\";\"окна\";\"1\";\"Окна ПВХ\";\"Дёшево\";\"okna.ru\";\"ООО Окна\";"
                "\"Россия\";\"Москва\";\"ул. Ленина, 1\";\"+7 (495)\";\"123-45-67\";"
                "\"a@b.ru\"\r\n"_qs);
}

TEST(CsvExport, DoublesQuotesAndReadsUnevenListsSafely) {
  ResultTable table;
  ResultRow row = Row(u"Россия"_qs, u"ООО"_qs, u""_qs);
  row.keyword = u"окна \"ПВХ\""_qs;
  row.region = u"\""_qs;
  table.Append(row);
  table.Data_Keyword.append(u"лишний"_qs);
  const QString text = WriteDecoded(table, CsvFile::Results);
  EXPECT_TRUE(text.contains(u"\r\n\"\"\"\";\"окна \"\"ПВХ\"\"\";\"1\";"_qs)) << text.toStdString();
  EXPECT_TRUE(
      text.endsWith(u"\r\n\"\";\"лишний\";\"\";\"\";\"\";\"\";\"\";\"\";\"\";\"\";\"\";\"\";"
                    "\"\"\r\n"_qs));
}

// Columns 7 to 13: company, country, city, address, code, number, e-mail.
struct DerivationCase {
  const char* name;
  CsvFile kind;
  QString cardRegion;
  QString company;
  QString phone;
  QStringList expected;
};

class CsvDerivation : public testing::TestWithParam<DerivationCase> {};

TEST_P(CsvDerivation, DerivesCardColumns) {
  const DerivationCase& c = GetParam();
  ResultTable table;
  table.Append(Row(c.cardRegion, c.company, c.phone));
  const QStringList fields = WriteDecoded(table, c.kind).mid(kHeader.size()).chopped(2).split(u';');
  ASSERT_EQ(fields.size(), 13);
  QStringList card;
  for (int column = 6; column < 13; ++column) card.append(fields[column].mid(1).chopped(1));
  EXPECT_EQ(card, c.expected);
}

const QString kAddr = u"ул. Ленина, 1"_qs;
const QString kMail = u"a@b.ru"_qs;
const QString kNone;
constexpr CsvFile kWork = CsvFile::Working;
constexpr CsvFile kFinal = CsvFile::Results;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, CsvDerivation, testing::Values(
    DerivationCase{"PhoneSplitAtFirstBracket", kFinal, u"A"_qs, u"C"_qs, u"X (Y) Z"_qs,
                   {u"C"_qs, u"A"_qs, kNone, kAddr, u"X (Y)"_qs, u"Z"_qs, kMail}},
    DerivationCase{"NumberTrimmedOfControls", kWork, u"A"_qs, u"C"_qs, u"8 (800)\t 5\r\n"_qs,
                   {u"C"_qs, u"A"_qs, kNone, kAddr, u"8 (800)"_qs, u"5"_qs, kMail}},
    DerivationCase{"PhoneWithoutBracketWholeInNumber", kWork, u"A"_qs, u"C"_qs, u" +7 495 1234567\t"_qs,
                   {u"C"_qs, u"A"_qs, kNone, kAddr, kNone, u"+7 495 1234567"_qs, kMail}},
    DerivationCase{"ExtensionWithoutBracketInResults", kFinal, u"A"_qs, u"C"_qs,
                   u"8 800 100-00-01 доб. 5"_qs,
                   {u"C"_qs, u"A"_qs, kNone, kAddr, kNone, u"8 800 100-00-01 доб. 5"_qs, kMail}},
    DerivationCase{"WorkingCityKeepsRest", kWork, u"A, B, C"_qs, u"C"_qs, kNone,
                   {u"C"_qs, u"A"_qs, u"B, C"_qs, kAddr, kNone, kNone, kMail}},
    DerivationCase{"ResultsCityCutAtComma", kFinal, u"A, B, C"_qs, u"C"_qs, kNone,
                   {u"C"_qs, u"A"_qs, u"B"_qs, kAddr, kNone, kNone, kMail}},
    DerivationCase{"CommaWithoutBlankNoSplit", kFinal, u"A,B"_qs, u"C"_qs, kNone,
                   {u"C"_qs, u"A,B"_qs, kNone, kAddr, kNone, kNone, kMail}},
    DerivationCase{"RegionNotGivenBothInResults", kFinal, kNoRegion, u"C"_qs, kNone,
                   {u"C"_qs, kNoRegion, kNoRegion, kAddr, kNone, kNone, kMail}},
    DerivationCase{"RegionNotGivenCountryInWorking", kWork, kNoRegion, u"C"_qs, kNone,
                   {u"C"_qs, kNoRegion, kNone, kAddr, kNone, kNone, kMail}},
    DerivationCase{"MissingCardFillsResults", kFinal, kFiller, kFiller, kFiller,
                   {kFiller, kFiller, kFiller, kFiller, kFiller, kFiller, kFiller}},
    DerivationCase{"MissingCardInWorking", kWork, kFiller, kFiller, kFiller,
                   {kFiller, kFiller, kNone, kAddr, kNone, kNone, kMail}}),
    [](const auto& info) { return info.param.name; });
// clang-format on

// What a spreadsheet would run as a formula reaches the user as text; a sign before a digit is a
// phone code or a number and stays as it is.
TEST(CsvExport, FormulaLikeValuesGetALeadingApostrophe) {
  const std::pair<QString, QString> cases[] = {
      {u"=1+1"_qs, u"'=1+1"_qs},
      {u"@SUM(A1)"_qs, u"'@SUM(A1)"_qs},
      {u"+A1"_qs, u"'+A1"_qs},
      {u"-Цена"_qs, u"'-Цена"_qs},
      {u"-(1)"_qs, u"'-(1)"_qs},
      {u"+7 (495)"_qs, u"+7 (495)"_qs},
      {u"-10%"_qs, u"-10%"_qs},
      {u"+"_qs, u"+"_qs},
      {u"-"_qs, u"-"_qs},
      {u"a=b"_qs, u"a=b"_qs},
      {u"\"=x\""_qs, u"\"\"=x\"\""_qs},
      {u""_qs, u""_qs},
  };
  for (const auto& [value, written] : cases) {
    ResultTable table;
    table.Append(Row(u"A"_qs, value, u""_qs));
    const QStringList fields =
        WriteDecoded(table, CsvFile::Working).mid(kHeader.size()).split(u';');
    EXPECT_EQ(fields[6], u'"' + written + u'"') << value.toStdString();
  }
}

TEST(Cp1251Encoding, UsesCloseEquivalentOrQuestionMark) {
  const std::pair<QString, QByteArray> cases[] = {
      {u"ЁжЯ"_qs, "\xA8\xE6\xDF"},    {u"€№«»"_qs, "\x88\xB9\xAB\xBB"},
      {u"über café"_qs, "uber cafe"}, {u"ﬁ"_qs, "fi"},
      {u"a😀b中"_qs, "a?b?"},          {QChar(0xD800) + u"x"_qs, "?x"},
      {u"Ａ１\x1A"_qs, "A1\x1A"},     {u"𝐀\u0098"_qs, "A\x98"},
  };
  for (const auto& [text, bytes] : cases)
    EXPECT_EQ(Cp1251Encoder::EncodeAll(text), bytes) << text.toStdString();
}

TEST(Cp1251Encoding, EveryByteReadsBackAsItself) {
  QByteArray bytes;
  for (int byte = 1; byte < 256; ++byte) bytes += static_cast<char>(byte);
  EXPECT_EQ(Cp1251Encoder::EncodeAll(DecodeWindows1251(bytes)), bytes);
}

TEST(Cp1251Encoding, SurrogateHalvesAcrossPiecesKeepTheirPlace) {
  const QString emoji = u"😀"_qs;
  const QString lone = u"a"_qs + QChar(0xD800);
  Cp1251Encoder encoder;
  QByteArray out;
  encoder.Encode(QStringView(emoji).first(1), false, out);
  encoder.Encode(QStringView(emoji).sliced(1), false, out);
  encoder.Encode(lone, false, out);
  encoder.Encode(u"b"_qs, false, out);
  encoder.Encode(lone, true, out);
  EXPECT_EQ(out, "?a?ba?");
}

TEST(CsvExport, LargeTableMatchesRowByRowEncoding) {
  ResultTable table;
  QByteArray expected = Cp1251Encoder::EncodeAll(kHeader);
  for (int i = 1; i <= 3000; ++i) {
    table.Append(Row(u"Россия"_qs, u"ü"_qs, u""_qs));
    table.Data_Pos.last() = QString::number(i);
    expected += Cp1251Encoder::EncodeAll(
        u"\"Москва\";\"окна\";\"%1\";\"Окна ПВХ\";\"Дёшево\";\"okna.ru\";\"ü\";\"Россия\";\"\";"
        "\"ул. Ленина, 1\";\"\";\"\";\"a@b.ru\"\r\n"_qs.arg(i));
  }
  EXPECT_EQ(Write(table, CsvFile::Results), expected);
}

class RefusingDevice : public QIODevice {
 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char*, qint64) override { return -1; }
};

TEST(CsvExport, SaveReplacesFileAndFailuresAreErrors) {
  RefusingDevice device;
  device.open(QIODevice::WriteOnly);
  EXPECT_THROW(WriteCsv(device, ResultTable{}, CsvFile::Working), std::runtime_error);

  QTemporaryDir dir;
  const QString path = QDir(dir.path()).filePath(u"current.csv"_qs);
  QFile old(path);
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("old content, longer than the new file");
  old.close();
  SaveCsvFile(path, ResultTable{}, CsvFile::Working);
  ASSERT_TRUE(old.open(QIODevice::ReadOnly));
  EXPECT_EQ(old.readAll(), Cp1251Encoder::EncodeAll(kHeader));

  const QString missing = QDir(dir.path()).filePath(u"no/folder/current.csv"_qs);
  try {
    SaveCsvFile(missing, ResultTable{}, CsvFile::Working);
    FAIL() << "no error for an uncreatable file";
  } catch (const std::runtime_error& error) {
    EXPECT_TRUE(QString::fromStdString(error.what())
                    .startsWith(u"Не удаётся создать файл \"%1\": "_qs.arg(
                        QDir::toNativeSeparators(missing))));
  }
}

TEST(CsvExport, ResultsFileNameIsZeroPadded) {
  EXPECT_EQ(ResultsFileName(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5))),
            u"results-20260102030405.csv"_qs);
}

struct NameCase {
  const char* name;
  QStringList existing;
  QString expected;
};

class UnusedResultsName : public testing::TestWithParam<NameCase> {};

TEST_P(UnusedResultsName, NeverNamesAnExistingResultsFileOrWorkbook) {
  QTemporaryDir dir;
  for (const QString& name : GetParam().existing) {
    QFile file(QDir(dir.path()).filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  const QDateTime time(QDate(2026, 12, 10), QTime(1, 54, 22));
  EXPECT_EQ(UnusedResultsFileName(dir.path(), time), GetParam().expected);
}

const QString kName = u"results-20261210015422"_qs;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Folders, UnusedResultsName, testing::Values(
    NameCase{"Free", {u"current.csv"_qs}, kName + u".csv"_qs},
    NameCase{"CsvTaken", {kName + u".csv"_qs}, kName + u"-2.csv"_qs},
    NameCase{"WorkbookTaken", {kName + u".xlsx"_qs}, kName + u"-2.csv"_qs},
    NameCase{"SeveralTaken", {kName + u".csv"_qs, kName + u"-2.csv"_qs, kName + u"-3.xlsx"_qs},
             kName + u"-4.csv"_qs}),
    [](const auto& info) { return info.param.name; });
// clang-format on

}  // namespace
}  // namespace korvath
