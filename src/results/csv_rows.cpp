#include "results/csv_rows.h"

#include "results/card_texts.h"

namespace korvath {
namespace {

// A company value that starts like the missing-card filler marks a row without a card.
constexpr QStringView kMissingCardMark = u"Страница контактной инфор";

QStringView TrimmedBlanksAndControls(QStringView text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && text[begin].unicode() <= 32) ++begin;
  while (end > begin && text[end - 1].unicode() <= 32) --end;
  return text.sliced(begin, end - begin);
}

// The phone's area code runs up to its first ")". A phone written without one ("8 800 100-00-01
// доб. 5") has no code to split off and goes whole into the number; the missing-card filler is no
// phone at all.
void SplitPhone(const QString& phone, QString& code, QString& number) {
  const qsizetype close = phone.indexOf(u')');
  if (close < 0) {
    if (phone != kMissingCardFiller) number = TrimmedBlanksAndControls(phone).toString();
    return;
  }
  code = phone.left(close + 1);
  number = TrimmedBlanksAndControls(QStringView(phone).sliced(close + 1)).toString();
}

void SplitCardRegion(const QString& region, QString& country, QString& city) {
  const qsizetype comma = region.indexOf(u", ");
  if (comma < 0) {
    country = region;
    return;
  }
  country = region.left(comma);
  city = region.mid(comma + 2);
}

}  // namespace

const CsvRow& CsvHeader() {
  static const CsvRow header = {
      u"Регион"_qs,
      u"Запрос"_qs,
      u"Позиция"_qs,
      u"Заголовок"_qs,
      u"Текст"_qs,
      u"Сайт компании"_qs,
      u"Название компании"_qs,
      u"Страна"_qs,
      u"Город"_qs,
      u"Адрес"_qs,
      u"Код1"_qs,
      u"Телефон1"_qs,
      u"E-mail"_qs,
  };
  return header;
}

// Lists are read with value(), so a table whose lists were filled unevenly by hand gives empty
// fields rather than a crash.
CsvRow DeriveCsvRow(const ResultTable& table, qsizetype row, CsvFile kind) {
  QString code;
  QString number;
  SplitPhone(table.Data_CardPhone1.value(row), code, number);
  QString country;
  QString city;
  SplitCardRegion(table.Data_CardRegion.value(row), country, city);

  CsvRow out = {
      table.Data_Region.value(row),
      table.Data_Keyword.value(row),
      table.Data_Pos.value(row),
      table.Data_Title.value(row),
      table.Data_Text.value(row),
      table.Data_Domain.value(row),
      table.Data_CardCompany.value(row),
      country,
      city,
      table.Data_CardAddress.value(row),
      code,
      number,
      table.Data_CardEmail.value(row),
  };
  if (kind == CsvFile::Working) return out;

  QString& resultCity = out[8];
  const qsizetype comma = resultCity.indexOf(u',');
  if (comma >= 0) resultCity.truncate(comma);
  if (out[7] == kRegionNotGiven) resultCity = kRegionNotGiven.toString();
  if (table.Data_CardCompany.value(row).contains(kMissingCardMark)) {
    for (int column = 6; column < kCsvColumnCount; ++column)
      out[column] = kMissingCardFiller.toString();
  }
  return out;
}

}  // namespace korvath
