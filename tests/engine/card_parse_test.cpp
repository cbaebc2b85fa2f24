#include "engine/card_parse.h"

#include "results/card_texts.h"
#include "test_data.h"

#include <gtest/gtest.h>

#include <string>

namespace korvath {
namespace {

std::string Utf8(QStringView text) { return text.toString().toStdString(); }

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
    const CardValues values = ParseCard(ReadTestPage(c.file));
    EXPECT_EQ(values.company, c.expected.company) << c.file;
    EXPECT_EQ(values.cardRegion, c.expected.cardRegion) << c.file;
    EXPECT_EQ(values.address, c.expected.address) << c.file;
    EXPECT_EQ(values.phone, c.expected.phone) << c.file;
    EXPECT_EQ(values.email, c.expected.email) << c.file;
  }
}

TEST(CardParse, EmptyCardHasOnlyTheRegionNotice) {
  const CardValues values = ParseCard(u"");
  EXPECT_EQ(values.cardRegion, kRegionNotGiven);
  EXPECT_TRUE(values.company.isEmpty() && values.address.isEmpty() && values.phone.isEmpty() &&
              values.email.isEmpty());
}

struct FieldCase {
  const char16_t* card;
  const char16_t* expected;
};

TEST(CardParse, RegionChoicesInOrder) {
  const FieldCase cases[] = {
      {u"<i id=\"location\">Россия, Омск</i>\"fullAddress\":\"Россия, Тула\"", u"Россия, Омск"},
      {u"<i id=\"location\"> &nbsp;</i>\"fullAddress\":\"Россия, Тула\"", u"Россия, Тула"},
      {u"\"fullAddress\":\"  Россия; Тула \"", u"Россия, Тула"},
      {u"<i id=\"location\"></i>", kRegionNotGiven.utf16()},
      {u"<i id=\"place\">Россия</i>", kRegionNotGiven.utf16()},
  };
  for (const FieldCase& c : cases) {
    EXPECT_EQ(ParseCard(QStringView(c.card)).cardRegion, QStringView(c.expected)) << Utf8(c.card);
  }
}

TEST(CardParse, CompanyChoicesInOrder) {
  const FieldCase cases[] = {
      {u"<h1 id=\"title\">Первый</h1><div class=answer-header>Второй</div>", u"Первый"},
      {u"<h1 id=\"title\"><b></b></h1><div class=answer-header>Второй</div>", u"Второй"},
      {u"<div class=answer-header> </div><span itemProp=\"name\">Третий</span>", u"Третий"},
      {u"<span itemProp=\"name\">Без конца", u""},
  };
  for (const FieldCase& c : cases) {
    EXPECT_EQ(ParseCard(QStringView(c.card)).company, QStringView(c.expected)) << Utf8(c.card);
  }
}

TEST(CardParse, AddressChoicesInOrder) {
  const FieldCase cases[] = {
      {u"<p id=\"address\">ул. Мира, 1</p>", u"ул. Мира, 1"},
      {u"<p id=\"address\"></p><div>Адрес</div></span><span>ул. Мира, 2</span>", u"ул. Мира, 2"},
      {u"<i class=\"business-contacts-view__address\">ул. Мира, 3<br>", u"ул. Мира, 3"},
      {u"<i class=\"business-contacts-view__address\">ул. Мира&nbsp;4</i>", u"ул. Мира 4"},
  };
  for (const FieldCase& c : cases) {
    EXPECT_EQ(ParseCard(QStringView(c.card)).address, QStringView(c.expected)) << Utf8(c.card);
  }
}

TEST(CardParse, PhoneChoices) {
  const FieldCase cases[] = {
      // The contact-person heading wins over the plain one and is not trimmed.
      {u"<div>Телефон</div><b>+7 2</b></div><div>Телефон, Контактное лицо</div> +7 1 </div>",
       u" +7 1 "},
      // Without a "</div>" after the contact-person heading the plain heading is still skipped.
      {u"<div>Телефон</div>+7 2</div><div>Телефон, Контактное лицо</div>+7 1"
       u"<span itemProp=\"telephone\">+7 4</span>",
       u"+7 4"},
      {u"<div>Телефон</div>+7 2</div><div>Телефон, Контактное лицо</div>+7 1", u""},
      // A phone of blanks is kept as it is and ends the search.
      {u"<div>Телефон</div>&nbsp;<b></b> </div><span itemProp=\"telephone\">+7 4</span>", u"  "},
      {u"<div>Телефон, Контактное лицо</div>\t</div><span class=covered-phone__full>+7 3</span>",
       u" "},
      // A hidden number is read from the first full-number span of the whole card.
      {u"<span class=covered-phone__full>+7 0</span></span>"
       u"<div>Телефон</div><span class=covered-phone__full>+7 2</span></span></div>",
       u"+7 0"},
      {u"<div>Телефон</div><span class=covered-phone><span class=covered-phone__full> +7 2 "
       u"</span></span></div>",
       u"+7 2"},
      {u"<div>Телефон</div> +7 2 </div>", u" +7 2 "},
      {u"<div>Телефон</div></div><span class=covered-phone__full> +7 3 </span>", u"+7 3"},
      {u"<div>Телефон</div>+7 2<span class=covered-phone__full>+7 3</span>", u"+7 3"},
      {u"<span itemProp=\"telephone\"> +7 4 <i>", u"+7 4"},
      {u"<div>Телефоны</div>+7 2</div>", u""},
  };
  for (const FieldCase& c : cases) {
    EXPECT_EQ(ParseCard(QStringView(c.card)).phone, QStringView(c.expected)) << Utf8(c.card);
  }
}

TEST(CardParse, EmailAfterItsHeading) {
  const FieldCase cases[] = {
      {u"<div>E-mail</div><div><a href=\"mailto:a@b.test\">a@b.test</a></div>", u"a@b.test"},
      {u"<div>E-mail</div><div class=\"v\"> a@b.test </div>", u"a@b.test"},
      {u"<div>E-mail</div><div>a@b.test</div>", u""},
      {u"<div>E-mail</div><div class=\"v\">a@b.test", u""},
      {u"<div>Почта</div><div class=\"v\">a@b.test</div>", u""},
  };
  for (const FieldCase& c : cases) {
    EXPECT_EQ(ParseCard(QStringView(c.card)).email, QStringView(c.expected)) << Utf8(c.card);
  }
}

}  // namespace
}  // namespace korvath
