#include "engine/card_parse.h"

#include "results/card_texts.h"
#include "textutil/text_ops.h"

#include <initializer_list>
#include <optional>

namespace korvath {

namespace {

// The markers a card's values start from.
constexpr QStringView kLocationMarker = u"id=\"location\"";
constexpr QStringView kFullAddressMarker = u"\"fullAddress\":\"";
constexpr QStringView kTitleMarker = u"id=\"title\"";
constexpr QStringView kAnswerHeaderMarker = u"<div class=answer-header>";
constexpr QStringView kNameMarker = u"itemProp=\"name\">";
constexpr QStringView kAddressMarker = u"id=\"address\"";
constexpr QStringView kAddressHeadingMarker = u"Адрес</div></span>";
constexpr QStringView kContactsAddressMarker = u"business-contacts-view__address\">";
constexpr QStringView kContactPersonPhone = u"Телефон, Контактное лицо</div>";
constexpr QStringView kPhone = u"Телефон</div>";
constexpr QStringView kFullPhoneMarker = u"covered-phone__full>";
constexpr QStringView kTelephoneMarker = u"itemProp=\"telephone\">";
constexpr QStringView kEmailMarker = u"E-mail</div>";

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
                  ? Cleaned(TextAfterMarker(card, kFullPhoneMarker, {}, u"</span></span>"))
                  : HtmlToText(*piece);
    }
  }
  if (phone.isEmpty()) {
    phone = Cleaned(TextAfterMarker(card, kFullPhoneMarker, {}, u"</span>"));
  }
  if (phone.isEmpty()) {
    phone = Cleaned(TextAfterMarker(card, kTelephoneMarker, {}, u"<"));
  }
  return phone;
}

QString Email(QStringView card) {
  qsizetype q = Find(card, kEmailMarker);
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
      FirstChoice(card, {{kLocationMarker, u">", u"</"}, {kFullAddressMarker, {}, u"\""}});
  if (values.cardRegion.isEmpty()) {
    values.cardRegion = kRegionNotGiven.toString();
  }
  values.company = FirstChoice(
      card,
      {{kTitleMarker, u">", u"</"}, {kAnswerHeaderMarker, {}, u"</"}, {kNameMarker, {}, u"</"}});
  values.address = FirstChoice(card, {{kAddressMarker, u">", u"</"},
                                      {kAddressHeadingMarker, {}, u"</span>"},
                                      {kContactsAddressMarker, {}, u"<"}});
  values.phone = Phone(card);
  values.email = Email(card);
  return values;
}

bool HasCardMarkers(QStringView card) {
  for (const QStringView marker :
       {kLocationMarker, kFullAddressMarker, kTitleMarker, kAnswerHeaderMarker, kNameMarker,
        kAddressMarker, kAddressHeadingMarker, kContactsAddressMarker, kContactPersonPhone, kPhone,
        kFullPhoneMarker, kTelephoneMarker, kEmailMarker}) {
    if (card.contains(marker)) return true;
  }
  return false;
}

}  // namespace korvath
