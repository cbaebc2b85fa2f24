#include "engine/card_parse.h"

#include "results/card_texts.h"
#include "test_data.h"

#include <gtest/gtest.h>

namespace korvath {
namespace {

QStringList Values(const CardValues& v) {
  return {v.company, v.cardRegion, v.address, v.phone, v.email};
}

TEST(CardParse, ReadsWholeCards) {
  struct Case {
    const char* file;
    CardValues expected;
  };
  const Case cases[] = {
      {"card_full.html",
       {u"ООО \"Рассвет\""_qs, u"Россия, Москва"_qs, u"ул. Ленина, д. 1, офис 5"_qs,
        u"+7 (495) 123-45-67"_qs, u"info@okna-rassvet.example"_qs}},
      {"card_contact_person.html",
       {u"ИП Смирнов А. В."_qs, u"Россия, Санкт-Петербург, Невский пр., 10"_qs,
        u"Невский пр., 10"_qs, u"+7 (812) 765-43-21, Алексей"_qs, u""_qs}},
      {"card_sparse.html",
       {u"Окна-Сервис"_qs, kRegionNotGiven.toString(), u"г. Казань, ул. Баумана, 5"_qs,
        u"+7 843 200-00-00"_qs, u""_qs}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Values(ParseCard(ReadTestPage(c.file))), Values(c.expected)) << c.file;
  }
  // An empty card has only the region notice.
  EXPECT_EQ(Values(ParseCard(u"")), Values({{}, kRegionNotGiven.toString(), {}, {}, {}}));
}

struct FieldCase {
  QString CardValues::*field;
  const char16_t* card;
  const char16_t* expected;
};

// Each field has its own chain of places to look; the first one that gives a value wins.
TEST(CardParse, FieldChoicesInOrder) {
  const auto region = &CardValues::cardRegion;
  const auto company = &CardValues::company;
  const auto address = &CardValues::address;
  const auto phone = &CardValues::phone;
  const auto email = &CardValues::email;
  const FieldCase cases[] = {
      {region, u"<i id=\"location\">Россия, Омск</i>\"fullAddress\":\"Россия, Тула\"",
       u"Россия, Омск"},
      {region, u"<i id=\"location\"> &nbsp;</i>\"fullAddress\":\"Россия, Тула\"", u"Россия, Тула"},
      {region, u"\"fullAddress\":\"  Россия; Тула \"", u"Россия, Тула"},
      {region, u"<i id=\"location\"></i>", kRegionNotGiven.utf16()},
      {region, u"<i id=\"place\">Россия</i>", kRegionNotGiven.utf16()},
      {company, u"<h1 id=\"title\">Первый</h1><div class=answer-header>Второй</div>", u"Первый"},
      {company, u"<h1 id=\"title\"><b></b></h1><div class=answer-header>Второй</div>", u"Второй"},
      {company, u"<div class=answer-header> </div><span itemProp=\"name\">Третий</span>",
       u"Третий"},
      {company, u"<span itemProp=\"name\">Без конца", u""},
      {address, u"<p id=\"address\">ул. Мира, 1</p>", u"ул. Мира, 1"},
      {address, u"<p id=\"address\"></p><div>Адрес</div></span><span>ул. Мира, 2</span>",
       u"ул. Мира, 2"},
      {address, u"<i class=\"business-contacts-view__address\">ул. Мира, 3<br>", u"ул. Мира, 3"},
      {address, u"<i class=\"business-contacts-view__address\">ул. Мира&nbsp;4</i>", u"ул. Мира 4"},
      // The contact-person heading wins over the plain one and is not trimmed.
      {phone, u"<div>Телефон</div><b>+7 2</b></div><div>Телефон, Контактное лицо</div> +7 1 </div>",
       u" +7 1 "},
      // Without a "</div>" after the contact-person heading the plain heading is still skipped.
      {phone,
       u"<div>Телефон</div>+7 2</div><div>Телефон, Контактное лицо</div>+7 1"
       u"<span itemProp=\"telephone\">+7 4</span>",
       u"+7 4"},
      {phone, u"<div>Телефон</div>+7 2</div><div>Телефон, Контактное лицо</div>+7 1", u""},
      // A phone of blanks is kept as it is and ends the search.
      {phone, u"<div>Телефон</div>&nbsp;<b></b> </div><span itemProp=\"telephone\">+7 4</span>",
       u"  "},
      {phone,
       u"<div>Телефон, Контактное лицо</div>\t</div><span class=covered-phone__full>+7 3</span>",
       u" "},
      // A hidden number is read from the first full-number span of the whole card.
      {phone,
       u"<span class=covered-phone__full>+7 0</span></span>"
       u"<div>Телефон</div><span class=covered-phone__full>+7 2</span></span></div>",
       u"+7 0"},
      {phone,
       u"<div>Телефон</div><span class=covered-phone><span class=covered-phone__full> +7 2 "
       u"</span></span></div>",
       u"+7 2"},
      {phone, u"<div>Телефон</div> +7 2 </div>", u" +7 2 "},
      {phone, u"<div>Телефон</div></div><span class=covered-phone__full> +7 3 </span>", u"+7 3"},
      {phone, u"<div>Телефон</div>+7 2<span class=covered-phone__full>+7 3</span>", u"+7 3"},
      {phone, u"<span itemProp=\"telephone\"> +7 4 <i>", u"+7 4"},
      {phone, u"<div>Телефоны</div>+7 2</div>", u""},
      {email, u"<div>E-mail</div><div><a href=\"mailto:a@b.test\">a@b.test</a></div>", u"a@b.test"},
      {email, u"<div>E-mail</div><div class=\"v\"> a@b.test </div>", u"a@b.test"},
      {email, u"<div>E-mail</div><div>a@b.test</div>", u""},
      {email, u"<div>E-mail</div><div class=\"v\">a@b.test", u""},
      {email, u"<div>Почта</div><div class=\"v\">a@b.test</div>", u""},
  };
  for (const FieldCase& c : cases) {
    EXPECT_EQ(ParseCard(QStringView(c.card)).*c.field, QStringView(c.expected)) << Utf8(c.card);
  }
}

}  // namespace
}  // namespace korvath
