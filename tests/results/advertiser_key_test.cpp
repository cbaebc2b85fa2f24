#include "results/advertiser_key.h"
#include "results/card_texts.h"

#include <gtest/gtest.h>

namespace korvath {
namespace {

const QString kFiller = kMissingCardFiller.toString();

struct KeyCase {
  const char* name;
  QString phone;
  QString site;
  QString company;
  QString city;
  QString key;
};

class AdvertiserKeyCases : public testing::TestWithParam<KeyCase> {};

TEST_P(AdvertiserKeyCases, GivesTheKey) {
  const KeyCase& c = GetParam();
  EXPECT_EQ(AdvertiserKey(c.phone, c.site, c.company, c.city), c.key);
}

const QString kMoscowLine = u"tel:74951234567"_qs;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rules, AdvertiserKeyCases, testing::Values(
    KeyCase{"InternationalForm", u"+7 (495) 123-45-67"_qs, u"a.ru"_qs, u"A"_qs, u""_qs, kMoscowLine},
    KeyCase{"LeadingEightIsSeven", u"8 (495) 123-45-67"_qs, u""_qs, u""_qs, u""_qs, kMoscowLine},
    KeyCase{"TenDigitsGetSeven", u"(495) 1234567"_qs, u""_qs, u""_qs, u""_qs, kMoscowLine},
    KeyCase{"ExtensionDropped", u"+7 495 123-45-67 доб. 204"_qs, u""_qs, u""_qs, u""_qs, kMoscowLine},
    KeyCase{"ExtensionInCapitals", u"8-495-123-45-67 ДОБ 3"_qs, u""_qs, u""_qs, u""_qs, kMoscowLine},
    KeyCase{"EnglishExtension", u"+7 495 123 45 67 ext. 12"_qs, u""_qs, u""_qs, u""_qs, kMoscowLine},
    KeyCase{"OtherCountryKept", u"+375 17 123-45-67"_qs, u""_qs, u""_qs, u""_qs, u"tel:375171234567"_qs},
    KeyCase{"ElevenDigitsNotEightKept", u"9 495 123 45 67"_qs, u""_qs, u""_qs, u""_qs, u"tel:94951234567"_qs},
    KeyCase{"FillerPhoneFallsToSite", kFiller, u"https://www.Okna.ru/msk?a=1"_qs, u"A"_qs, u""_qs,
            u"site:okna.ru"_qs},
    KeyCase{"PhoneWithoutDigitsFallsToSite", u"доб. "_qs, u"okna.ru:8080"_qs, u""_qs, u""_qs,
            u"site:okna.ru"_qs},
    KeyCase{"BareHost", u""_qs, u" WWW.Dveri.RU "_qs, u""_qs, u""_qs, u"site:dveri.ru"_qs},
    KeyCase{"CompanyAndCityIgnoreCaseAndBlanks", u""_qs, u""_qs, u"ИП  Петров "_qs, u"МОСКВА"_qs,
            u"name:ип петров\nмосква"_qs},
    KeyCase{"CompanyWithoutCity", u""_qs, kFiller, u"Люкс"_qs, kFiller, u"name:люкс\n"_qs},
    KeyCase{"NothingToGoBy", kFiller, u""_qs, kFiller, kFiller, u""_qs},
    KeyCase{"BlanksAreNothing", u"  "_qs, u" "_qs, u" "_qs, u"Москва"_qs, u""_qs}),
    [](const auto& info) { return info.param.name; });
// clang-format on

}  // namespace
}  // namespace korvath
