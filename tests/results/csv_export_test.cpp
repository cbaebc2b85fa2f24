#include "results/csv_export.h"
#include "results/card_texts.h"
#include "results/cp1251_encoder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "results/qt_printers.h"

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

QString Decode1251(const QByteArray& bytes) {
  QStringDecoder decoder("windows-1251");
  return decoder.decode(bytes);
}

ResultRow Row(const QString& cardRegion, const QString& company, const QString& phone) {
  return {u"окна"_qs,          u"Москва"_qs,  u"1"_qs,    u"Окна ПВХ"_qs,
          u"Дёшево"_qs,        u"okna.ru"_qs, cardRegion, u"a@okna.ru"_qs,
          u"ул. Ленина, 1"_qs, company,       phone};
}

TEST(CsvExport, WritesHeaderAndRowAsWindows1251Bytes) {
  ResultTable table;
  table.Append(Row(u"Россия, Москва"_qs, u"ООО Окна"_qs, u"+7 (495) 123-45-67 "_qs));
  const QByteArray bytes = Write(table, CsvFile::Working);

  EXPECT_TRUE(bytes.startsWith("\"\xD0\xE5\xE3\xE8\xEE\xED\";"));  // "Регион" in code page 1251
  EXPECT_EQ(Decode1251(bytes),
            kHeader +
                u"\"Москва\";\"окна\";\"1\";\"Окна ПВХ\";\"Дёшево\";\"okna.ru\";"
                "\"ООО Окна\";\"Россия\";\"Москва\";\"ул. Ленина, 1\";\"+7 (495)\";"
                "\"123-45-67\";\"a@okna.ru\"\r\n"_qs);
}

TEST(CsvExport, EmptyTableGivesHeaderOnly) {
  EXPECT_EQ(Decode1251(Write(ResultTable{}, CsvFile::Results)), kHeader);
}

TEST(CsvExport, DoubleQuoteInsideFieldIsDoubled) {
  ResultTable table;
  ResultRow row = Row(u"Россия"_qs, u"ООО"_qs, u""_qs);
  row.keyword = u"окна \"ПВХ\""_qs;
  row.region = u"\""_qs;
  table.Append(row);
  const QString text = Decode1251(Write(table, CsvFile::Working));
  EXPECT_TRUE(text.contains(u"\r\n\"\"\"\";\"окна \"\"ПВХ\"\"\";\"1\";"_qs)) << text.toStdString();
}

// Columns 7 to 13 (company, country, city, address, code, number, e-mail) of one row.
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
  const QString text = Decode1251(Write(table, c.kind));
  const QStringList fields = text.mid(kHeader.size()).chopped(2).split(u';');
  ASSERT_EQ(fields.size(), 13);
  QStringList cardColumns;
  for (int column = 6; column < 13; ++column) cardColumns.append(fields[column].mid(1).chopped(1));
  EXPECT_EQ(cardColumns, c.expected);
}

const QString kAddress = u"ул. Ленина, 1"_qs;
const QString kMail = u"a@okna.ru"_qs;

INSTANTIATE_TEST_SUITE_P(
    Rows, CsvDerivation,
    testing::Values(
        DerivationCase{"PhoneSplitAtFirstBracketBoth",
                       CsvFile::Results,
                       u"A"_qs,
                       u"C"_qs,
                       u"X (Y) Z"_qs,
                       {u"C"_qs, u"A"_qs, u""_qs, kAddress, u"X (Y)"_qs, u"Z"_qs, kMail}},
        DerivationCase{"PhoneNumberTrimmedOfControls",
                       CsvFile::Working,
                       u"A"_qs,
                       u"C"_qs,
                       u"8 (800)\t 555\r\n"_qs,
                       {u"C"_qs, u"A"_qs, u""_qs, kAddress, u"8 (800)"_qs, u"555"_qs, kMail}},
        DerivationCase{"PhoneWithoutBracketGivesEmptyColumns",
                       CsvFile::Working,
                       u"A"_qs,
                       u"C"_qs,
                       u"+7 495 123"_qs,
                       {u"C"_qs, u"A"_qs, u""_qs, kAddress, u""_qs, u""_qs, kMail}},
        DerivationCase{"WorkingKeepsCityAfterFirstCommaBlank",
                       CsvFile::Working,
                       u"A, B, C"_qs,
                       u"C"_qs,
                       u""_qs,
                       {u"C"_qs, u"A"_qs, u"B, C"_qs, kAddress, u""_qs, u""_qs, kMail}},
        DerivationCase{"ResultsCutsCityAtComma",
                       CsvFile::Results,
                       u"A, B, C"_qs,
                       u"C"_qs,
                       u""_qs,
                       {u"C"_qs, u"A"_qs, u"B"_qs, kAddress, u""_qs, u""_qs, kMail}},
        DerivationCase{"CommaWithoutBlankDoesNotSplit",
                       CsvFile::Results,
                       u"A,B"_qs,
                       u"C"_qs,
                       u""_qs,
                       {u"C"_qs, u"A,B"_qs, u""_qs, kAddress, u""_qs, u""_qs, kMail}},
        DerivationCase{"RegionNotGivenCopiedToCityInResults",
                       CsvFile::Results,
                       kNoRegion,
                       u"C"_qs,
                       u""_qs,
                       {u"C"_qs, kNoRegion, kNoRegion, kAddress, u""_qs, u""_qs, kMail}},
        DerivationCase{"RegionNotGivenOnlyCountryInWorking",
                       CsvFile::Working,
                       kNoRegion,
                       u"C"_qs,
                       u""_qs,
                       {u"C"_qs, kNoRegion, u""_qs, kAddress, u""_qs, u""_qs, kMail}},
        DerivationCase{"MissingCardFillsAllCardColumnsInResults",
                       CsvFile::Results,
                       kFiller,
                       kFiller,
                       kFiller,
                       {kFiller, kFiller, kFiller, kFiller, kFiller, kFiller, kFiller}},
        DerivationCase{"MissingCardInWorkingLeavesDerivedColumnsEmpty",
                       CsvFile::Working,
                       kFiller,
                       kFiller,
                       kFiller,
                       {kFiller, kFiller, u""_qs, kAddress, u""_qs, u""_qs, kMail}}),
    [](const testing::TestParamInfo<DerivationCase>& info) { return info.param.name; });

TEST(CsvExport, UnevenListsGiveEmptyFieldsInsteadOfCrash) {
  ResultTable table;
  table.Append(Row(u"A"_qs, u"C"_qs, u""_qs));
  table.Data_Keyword.append(u"лишний"_qs);
  const QString text = Decode1251(Write(table, CsvFile::Results));
  EXPECT_TRUE(text.endsWith(
      u"\r\n\"\";\"лишний\";\"\";\"\";\"\";\"\";\"\";\"\";\"\";\"\";\"\";\"\";\"\"\r\n"_qs))
      << text.toStdString();
}

struct EncodingCase {
  const char* name;
  QString text;
  QByteArray bytes;
};

class Cp1251Encoding : public testing::TestWithParam<EncodingCase> {};

TEST_P(Cp1251Encoding, UsesCloseEquivalentOrQuestionMark) {
  EXPECT_EQ(Cp1251Encoder::EncodeAll(GetParam().text), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Characters, Cp1251Encoding,
                         testing::Values(EncodingCase{"Cyrillic", u"ЁжЯ"_qs, "\xA8\xE6\xDF"},
                                         EncodingCase{"Euro", u"€"_qs, "\x88"},
                                         EncodingCase{"Numero", u"№"_qs, "\xB9"},
                                         EncodingCase{"Guillemets", u"«»"_qs, "\xAB\xBB"},
                                         EncodingCase{"UmlautLosesAccent", u"über"_qs, "uber"},
                                         EncodingCase{"AcuteLosesAccent", u"café"_qs, "cafe"},
                                         EncodingCase{"LigatureTakenApart", u"ﬁ"_qs, "fi"},
                                         EncodingCase{"EmojiIsOneQuestionMark", u"a😀b"_qs, "a?b"},
                                         EncodingCase{"HanIsQuestionMark", u"中"_qs, "?"},
                                         EncodingCase{"LoneSurrogateIsQuestionMark",
                                                      QString(QChar(0xD800)) + u"x"_qs, "?x"}),
                         [](const testing::TestParamInfo<EncodingCase>& info) {
                           return info.param.name;
                         });

TEST(Cp1251Encoding, SurrogatePairSplitAcrossPiecesStaysOneCharacter) {
  const QString emoji = u"😀"_qs;
  Cp1251Encoder encoder;
  QByteArray out;
  encoder.Encode(QStringView(emoji).first(1), false, out);
  encoder.Encode(QStringView(emoji).sliced(1), true, out);
  EXPECT_EQ(out, "?");

  // A high surrogate left alone at the end of one piece stays in its place.
  const QString lone = u"a"_qs + QChar(0xD800);
  out.clear();
  encoder.Encode(lone, false, out);
  encoder.Encode(u"b"_qs, false, out);
  encoder.Encode(lone, true, out);
  EXPECT_EQ(out, "a?ba?");
}

TEST(CsvExport, LargeTableMatchesRowByRowEncoding) {
  ResultTable table;
  QByteArray expected = Cp1251Encoder::EncodeAll(kHeader);
  for (int i = 0; i < 3000; ++i) {
    ResultRow row = Row(u"Россия"_qs, u"ООО ü"_qs, u""_qs);
    row.pos = QString::number(i + 1);
    table.Append(row);
    expected += Cp1251Encoder::EncodeAll(
        u"\"Москва\";\"окна\";\"%1\";\"Окна ПВХ\";\"Дёшево\";\"okna.ru\";\"ООО ü\";\"Россия\";"
        "\"\";\"ул. Ленина, 1\";\"\";\"\";\"a@okna.ru\"\r\n"_qs.arg(i + 1));
  }
  EXPECT_EQ(Write(table, CsvFile::Results), expected);
}

class RefusingDevice : public QIODevice {
 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char*, qint64) override {
    setErrorString(u"disk full"_qs);
    return -1;
  }
};

TEST(CsvExport, DeviceThatRefusesWritesIsAnError) {
  RefusingDevice device;
  device.open(QIODevice::WriteOnly);
  EXPECT_THROW(WriteCsv(device, ResultTable{}, CsvFile::Working), std::runtime_error);
}

TEST(CsvExport, SaveReplacesFileAndReportsUncreatableOne) {
  QTemporaryDir dir;
  const QString path = QDir(dir.path()).filePath(u"current.csv"_qs);
  QFile old(path);
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("old content that is longer than the new file will be");
  old.close();
  SaveCsvFile(path, ResultTable{}, CsvFile::Working);
  QFile saved(path);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_EQ(saved.readAll(), Cp1251Encoder::EncodeAll(kHeader));

  const QString missing = QDir(dir.path()).filePath(u"no/such/folder/current.csv"_qs);
  try {
    SaveCsvFile(missing, ResultTable{}, CsvFile::Working);
    FAIL() << "no error for an uncreatable file";
  } catch (const std::runtime_error& error) {
    EXPECT_TRUE(QString::fromStdString(error.what())
                    .startsWith(u"Cannot create file \"%1\". "_qs.arg(missing)))
        << error.what();
  }
}

TEST(CsvExport, ResultsFileNameIsZeroPadded) {
  EXPECT_EQ(ResultsFileName(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5))),
            u"results-20260102030405.csv"_qs);
  EXPECT_EQ(ResultsFileName(QDateTime(QDate(999, 12, 31), QTime(23, 59, 59))),
            u"results-09991231235959.csv"_qs);
}

}  // namespace
}  // namespace korvath
