#include "demo-engine/demo_cards.h"

#include "demo-engine/number_mix.h"

#include <array>
#include <string_view>

namespace korvath::demo {
namespace {

struct Place {
  std::string_view country;
  std::string_view city;
};

constexpr std::array<Place, 7> kPlaces = {{{"Россия", "Москва"},
                                           {"Россия", "Санкт-Петербург"},
                                           {"Россия", "Казань"},
                                           {"Россия", "Новосибирск"},
                                           {"Россия", "Екатеринбург"},
                                           {"Беларусь", "Минск"},
                                           {"Казахстан", "Алматы"}}};
constexpr std::array<std::string_view, 3> kLegalForms = {"ООО", "ИП", "АО"};
constexpr std::array<std::string_view, 8> kCompanyNames = {
    "Ромашка",    "Вектор", "СтройМастер",    "Альфа-Сервис",
    "Техносфера", "Гранит", "Северный ветер", "Оптима"};
constexpr std::array<std::string_view, 5> kStreets = {"ул. Ленина", "пр-т Мира", "Невский проспект",
                                                      "ул. Баумана", "Садовая ул."};
constexpr std::array<std::string_view, 6> kAreaCodes = {"495", "812", "843", "383", "343", "800"};
constexpr std::array<std::string_view, 4> kMailBoxes = {"info", "sales", "office", "zakaz"};

constexpr std::array<CompanyForm, 4> kCompanyForms = {
    CompanyForm::TitleId, CompanyForm::AnswerHeader, CompanyForm::ItemPropName,
    CompanyForm::TitleId};
constexpr std::array<AddressForm, 5> kAddressForms = {
    AddressForm::AddressId, AddressForm::AddressLabel, AddressForm::BusinessContactsView,
    AddressForm::AddressId, AddressForm::AddressLabel};

std::string TwoDigits(std::uint64_t n) {
  return std::string{static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)};
}

// `number` is already mixed; its low digits make the subscriber number.
std::string PhoneOf(std::uint64_t number) {
  const std::uint64_t digits = number % 10'000'000;
  return "+7 (" + std::string(kAreaCodes[number / 10'000'000 % kAreaCodes.size()]) + ") " +
         std::to_string(100 + digits / 10'000 % 900) + "-" + TwoDigits(digits / 100) + "-" +
         TwoDigits(digits);
}

}  // namespace

DemoCard CardOf(std::uint64_t id) {
  DemoCard card;
  card.id = id;
  card.missing = id % 11 == 10;
  // Pairwise coprime cycles, so neighbouring cards mix the forms rather than moving in step.
  card.locationForm = static_cast<LocationForm>(id % 3);
  card.companyForm = kCompanyForms[id % kCompanyForms.size()];
  card.addressForm = kAddressForms[id % kAddressForms.size()];
  card.phoneForm = static_cast<PhoneForm>(id % 7);

  const std::uint64_t pick = Mixed(id);
  const Place& place = kPlaces[pick % kPlaces.size()];
  const std::string_view name = kCompanyNames[pick / 8 % kCompanyNames.size()];
  const std::string_view legalForm = kLegalForms[pick / 64 % kLegalForms.size()];
  // Sole traders go by their own name; companies carry their name in quotes, as on real cards.
  card.company = legalForm == "ИП" ? std::string(legalForm) + " " + std::string(name)
                                   : std::string(legalForm) + " \"" + std::string(name) + "\"";
  if (card.locationForm != LocationForm::None)
    card.location = std::string(place.country) + ", " + std::string(place.city);
  card.address = "г. " + std::string(place.city) + ", " +
                 std::string(kStreets[pick / 256 % kStreets.size()]) + ", д. " +
                 std::to_string(pick / 2048 % 120 + 1);
  if (card.phoneForm != PhoneForm::None) card.phone = PhoneOf(pick / 16384);
  if (id % 9 != 8)
    card.email = std::string(kMailBoxes[pick / 4096 % kMailBoxes.size()]) +
                 std::to_string(id % 1000) + "@demo-" + std::to_string(pick / 1024 % 50) + ".ru";
  return card;
}

}  // namespace korvath::demo
