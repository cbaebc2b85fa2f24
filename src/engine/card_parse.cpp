#include "engine/card_parse.h"

#include "results/card_texts.h"
#include "textutil/text_ops.h"

#include <initializer_list>
#include <optional>

namespace korvath {

namespace {

struct Choice {
  QStringView marker;
  QStringView second;
  QStringView end;
};

QString Cleaned(QStringView fragment) { return Trimmed(HtmlToText(fragment)).toString(); }

// The first choice that gives a non-empty cleaned value, or empty when none does.
QString FirstChoice(QStringView card, std::initializer_list<Choice> choices) {
  for (const Choice& choice : choices) {
    QString value = Cleaned(TextAfterMarker(card, choice.marker, choice.second, choice.end));
    if (!value.isEmpty()) {
      return value;
    }
  }
  return {};
}

// The piece from `start` up to the next "</div>"; nullopt when no "</div>" follows.
std::optional<QStringView> PieceUpToDiv(QStringView card, qsizetype start) {
  const qsizetype e = Find(card, u"</div>", start);
  if (e == 0) {
    return std::nullopt;
  }
  return Copy(card, start, e - start);
}

QString Phone(QStringView card) {
  constexpr QStringView kContactPersonPhone = u"Телефон, Контактное лицо</div>";
  constexpr QStringView kPhone = u"Телефон</div>";
  QString phone;
  // A phone under a heading is taken as shown, blanks and all: a phone of blanks is a phone.
  // The contact-person heading wins whenever it is there, even without a closing "</div>".
  if (const qsizetype q = Find(card, kContactPersonPhone); q != 0) {
    if (const auto piece = PieceUpToDiv(card, q + kContactPersonPhone.size())) {
      phone = HtmlToText(*piece);
    }
  } else if (const qsizetype q2 = Find(card, kPhone); q2 != 0) {
    if (const auto piece = PieceUpToDiv(card, q2 + kPhone.size())) {
      // A partly hidden number is read from the first full-number span anywhere on the card.
      phone = piece->contains(u"<span class=covered-phone__full>")
                  ? Cleaned(TextAfterMarker(card, u"covered-phone__full>", {}, u"</span></span>"))
                  : HtmlToText(*piece);
    }
  }
  if (phone.isEmpty()) {
    phone = Cleaned(TextAfterMarker(card, u"covered-phone__full>", {}, u"</span>"));
  }
  if (phone.isEmpty()) {
    phone = Cleaned(TextAfterMarker(card, u"itemProp=\"telephone\">", {}, u"<"));
  }
  return phone;
}

QString Email(QStringView card) {
  qsizetype q = Find(card, u"E-mail</div>");
  if (q == 0) {
    return {};
  }
  q = Find(card, u"\">", q);
  if (q == 0) {
    return {};
  }
  const qsizetype e = Find(card, u"</div>", q + 2);
  if (e == 0) {
    return {};
  }
  return Cleaned(Copy(card, q + 2, e - q - 2));
}

}  // namespace

CardValues ParseCard(QStringView card) {
  CardValues values;
  values.cardRegion =
      FirstChoice(card, {{u"id=\"location\"", u">", u"</"}, {u"\"fullAddress\":\"", {}, u"\""}});
  if (values.cardRegion.isEmpty()) {
    values.cardRegion = kRegionNotGiven.toString();
  }
  values.company = FirstChoice(card, {{u"id=\"title\"", u">", u"</"},
                                      {u"<div class=answer-header>", {}, u"</"},
                                      {u"itemProp=\"name\">", {}, u"</"}});
  values.address = FirstChoice(card, {{u"id=\"address\"", u">", u"</"},
                                      {u"Адрес</div></span>", {}, u"</span>"},
                                      {u"business-contacts-view__address\">", {}, u"<"}});
  values.phone = Phone(card);
  values.email = Email(card);
  return values;
}

}  // namespace korvath
