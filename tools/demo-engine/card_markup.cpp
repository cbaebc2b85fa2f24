#include "demo-engine/card_markup.h"

#include "demo-engine/page_filler.h"

#include <string_view>

namespace korvath::demo {
namespace {

// Company names carry double quotes; in markup they are written as entities.
void AppendText(std::string& out, std::string_view text) {
  for (const char c : text) {
    if (c == '"')
      out += "&quot;";
    else
      out += c;
  }
}

void AppendCompany(std::string& out, const DemoCard& card) {
  switch (card.companyForm) {
    case CompanyForm::TitleId:
      out += "<h1 id=\"title\" class=\"card__title\">";
      AppendText(out, card.company);
      // A second, fuller name further down must not win over the heading.
      out += "</h1><div class=\"card__legal\"><span itemProp=\"name\">";
      AppendText(out, card.company);
      out += " (юридическое лицо)</span></div>";
      break;
    case CompanyForm::AnswerHeader:
      out += "<div class=answer-header>";
      AppendText(out, card.company);
      out += "</div>";
      break;
    case CompanyForm::ItemPropName:
      out += "<div class=\"card__org\" itemscope><span itemProp=\"name\">";
      AppendText(out, card.company);
      out += "</span></div>";
      break;
  }
}

void AppendLocation(std::string& out, const DemoCard& card) {
  if (card.locationForm == LocationForm::LocationId) {
    out += "<div class=\"card__geo\"><span id=\"location\" class=\"geo\">";
    out += card.location;
    out += "</span></div>";
  }
}

// The page's data block; on cards that show the location in markup it holds a fuller address
// that must not be preferred.
void AppendDataScript(std::string& out, const DemoCard& card) {
  out += "<script>window.cardData={\"id\":";
  out += std::to_string(card.id);
  if (card.locationForm == LocationForm::FullAddressJson) {
    out += ",\"fullAddress\":\"";
    out += card.location;
    out += "\"";
  } else if (card.locationForm == LocationForm::LocationId) {
    out += ",\"fullAddress\":\"";
    out += card.location;
    out += ", ";
    out += card.address;
    out += "\"";
  }
  out += "};</script>";
}

void AppendAddress(std::string& out, const DemoCard& card) {
  switch (card.addressForm) {
    case AddressForm::AddressId:
      out += "<div class=\"card__row\"><div id=\"address\" class=\"card__address\">";
      out += card.address;
      out += "</div></div>";
      break;
    case AddressForm::AddressLabel:
      out +=
          "<div class=\"card__row\"><span class=\"card__label\"><div>Адрес</div></span>"
          "<span class=\"card__value\">";
      out += card.address;
      out += "</span></div>";
      break;
    case AddressForm::BusinessContactsView:
      out += "<div class=\"business-contacts-view__address\">";
      out += card.address;
      out += "</div>";
      break;
  }
}

void AppendPhone(std::string& out, const DemoCard& card) {
  switch (card.phoneForm) {
    case PhoneForm::ContactPerson:
      out +=
          "<div class=\"card__row\"><div class=\"card__label\">Телефон, Контактное лицо</div>"
          "<div class=\"card__value\">";
      out += card.phone;
      out += "</div></div>";
      break;
    case PhoneForm::ContactPersonBeforePhoneLabel:
      out +=
          "<div class=\"card__row\"><div class=\"card__label\">Телефон, Контактное лицо</div>"
          "<div class=\"card__value\">";
      out += card.phone;
      out +=
          "</div></div><div class=\"card__row\"><div class=\"card__label\">Телефон</div>"
          "<div class=\"card__value\">+7 (000) 000-00-00</div></div>";
      break;
    case PhoneForm::PhoneLabelCovered:
      out +=
          "<div class=\"card__row\"><div class=\"card__label\">Телефон</div><div>"
          "<span class=covered-phone><span class=covered-phone__full>";
      out += card.phone;
      out += "</span></span></div></div>";
      break;
    case PhoneForm::PhoneLabelPlain:
      out +=
          "<div class=\"card__row\"><div class=\"card__label\">Телефон</div>"
          "<div class=\"card__value\"><a class=\"tel\" href=\"tel:\">";
      out += card.phone;
      out += "</a></div></div>";
      break;
    case PhoneForm::CoveredOnly:
      out += "<div class=\"card__phone\"><span class=covered-phone__full>";
      out += card.phone;
      out += "</span></div>";
      break;
    case PhoneForm::ItemPropTelephone:
      out += "<div class=\"card__phone\"><span itemProp=\"telephone\">";
      out += card.phone;
      out += "</span></div>";
      break;
    case PhoneForm::None:
      break;
  }
}

void AppendEmail(std::string& out, const DemoCard& card) {
  if (card.email.empty()) return;
  out +=
      "<div class=\"card__row\"><div class=\"card__label\">E-mail</div>"
      "<div class=\"card__value\"><a href=\"mailto:";
  out += card.email;
  out += "\">";
  out += card.email;
  out += "</a></div></div>";
}

}  // namespace

std::string RenderCard(const DemoCard& card, int fillerBytes) {
  std::string out;
  out.reserve(3072 + static_cast<std::size_t>(fillerBytes));
  out +=
      "<!DOCTYPE html><html lang=\"ru\"><head><meta charset=\"utf-8\">"
      "<title>Контактная информация</title></head><body><div class=\"card\">";
  AppendCompany(out, card);
  AppendLocation(out, card);
  AppendAddress(out, card);
  AppendPhone(out, card);
  AppendEmail(out, card);
  AppendFiller(out, fillerBytes);
  out += "</div>";
  AppendDataScript(out, card);
  out += "</body></html>\n";
  return out;
}

std::string RenderMissingCard() {
  return "<!DOCTYPE html><html lang=\"ru\"><head><meta charset=\"utf-8\"><title>Страница не "
         "найдена</title></head><body><h1>Страница не найдена</h1></body></html>\n";
}

}  // namespace korvath::demo
