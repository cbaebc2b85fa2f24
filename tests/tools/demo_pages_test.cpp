// The engine's pages must mean what the engine says they mean: read back through the program's
// own parsers, every page and card yields exactly the ads and contact values it was built from.
#include "demo-engine/card_markup.h"
#include "demo-engine/demo_ads.h"
#include "demo-engine/demo_cards.h"
#include "demo-engine/results_markup.h"
#include "engine/card_parse.h"
#include "engine/results_page.h"

#include <gtest/gtest.h>

#include <set>

namespace korvath::demo {
namespace {

const std::string kOrigin = "https://127.0.0.1:4443";

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

struct PageCase {
  const char* name;
  SearchKey key;
  EngineShape shape;
};

class DemoResultsPages : public testing::TestWithParam<PageCase> {};

TEST_P(DemoResultsPages, ParseIntoTheAdsTheyWereMadeFrom) {
  const PageCase& c = GetParam();
  for (const Listing listing : {Listing::Direct, Listing::AdsOnly}) {
    for (int page = 1; page <= c.shape.pages; ++page) {
      SCOPED_TRACE(page);
      const QString text = Q(RenderResultsPage(c.key, page, c.shape, kOrigin, listing));
      const std::vector<DemoAd> ads = AdsOfPage(c.key, page, c.shape, listing == Listing::Direct);

      EXPECT_FALSE(NothingFound(text));
      EXPECT_EQ(FoundLine(text), Q(FoundText(c.shape.pages * c.shape.adsPerPage)));
      EXPECT_EQ(
          NextPageAddress(text, Q(kOrigin), Q(kOrigin)),
          page < c.shape.pages ? Q(kOrigin + ResultsTarget(listing, c.key, page + 1)) : QString());

      const QList<QStringView> blocks = AdBlocks(text);
      ASSERT_EQ(blocks.size(), qsizetype(ads.size()));
      int withCards = 0;
      for (std::size_t i = 0; i < ads.size(); ++i) {
        const AdFields fields = ReadAdFields(blocks[qsizetype(i)]);
        EXPECT_EQ(fields.title, Q(ads[i].title)) << i;
        EXPECT_EQ(fields.text, Q(ads[i].text)) << i;
        EXPECT_EQ(fields.site, Q(ads[i].site)) << i;
        EXPECT_EQ(fields.cardLink, Q(CardAddress(kOrigin, c.key, ads[i]))) << i;
        withCards += ads[i].hasCard ? 1 : 0;
      }
      EXPECT_EQ(CardLinkCount(text), withCards);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Queries, DemoResultsPages,
    testing::Values(PageCase{"Cyrillic", {"пластиковые окна", "213"}, {3, 10, 0}},
                    PageCase{"WithFiller", {"окна", "2"}, {2, 7, 3000}},
                    PageCase{"MarkupInQuery", {"<a href=\"x\">data-cid=&amp; ;", "213"}, {2, 5, 0}},
                    PageCase{"NothingShowable", {"!!! ???", "<b>"}, {1, 3, 0}},
                    PageCase{"BrokenUtf8", {"ок\xD0\xFF\xC0\x80на  -", "1"}, {1, 3, 0}},
                    PageCase{"LongQuery", {std::string(500, 'x') + " окна", "10"}, {1, 2, 0}},
                    PageCase{"NoAds", {"окна", "213"}, {2, 0, 0}}),
    [](const testing::TestParamInfo<PageCase>& info) { return std::string(info.param.name); });

TEST(DemoResultsPage, NothingFoundPageHasNoAdsAndNoNextPage) {
  const QString text = Q(RenderNothingFoundPage({"ничего <тут>", "213"}));
  EXPECT_TRUE(NothingFound(text));
  EXPECT_TRUE(AdBlocks(text).isEmpty());
  EXPECT_TRUE(NextPageAddress(text, Q(kOrigin), Q(kOrigin)).isEmpty());
  EXPECT_FALSE(FoundLine(text).has_value());
}

TEST(DemoResultsPage, FoundTextAgreesWithItsNumber) {
  const struct {
    int count;
    const char* text;
  } cases[] = {{1, "Нашлось 1 объявление"},   {3, "Нашлось 3 объявления"},
               {5, "Нашлось 5 объявлений"},   {11, "Нашлось 11 объявлений"},
               {22, "Нашлось 22 объявления"}, {112, "Нашлось 112 объявлений"},
               {0, "Нашлось 0 объявлений"}};
  for (const auto& c : cases) EXPECT_EQ(FoundText(c.count), c.text);
}

TEST(DemoCards, ParseIntoTheValuesTheyShow) {
  int parsed = 0;
  for (std::uint64_t id = 471125798290000000; id < 471125798290000300; ++id) {
    const DemoCard card = CardOf(id);
    if (card.missing) continue;
    SCOPED_TRACE(id);
    const CardValues values = ParseCard(Q(RenderCard(card, id % 2 == 0 ? 0 : 2000)));
    EXPECT_EQ(values.company, Q(card.company));
    EXPECT_EQ(values.cardRegion, card.location.empty() ? u"Регион не указан"_qs : Q(card.location));
    EXPECT_EQ(values.address, Q(card.address));
    EXPECT_EQ(values.phone, Q(card.phone));
    EXPECT_EQ(values.email, Q(card.email));
    ++parsed;
  }
  EXPECT_GT(parsed, 250);
}

// Ads are numbered consecutively, so a page of a dozen ads must already show every form.
TEST(DemoCards, ADozenNeighboursShowEveryForm) {
  std::set<int> locations, companies, addresses, phones;
  bool missing = false, withoutEmail = false;
  for (std::uint64_t id = 1000; id < 1012; ++id) {
    const DemoCard card = CardOf(id);
    locations.insert(int(card.locationForm));
    companies.insert(int(card.companyForm));
    addresses.insert(int(card.addressForm));
    phones.insert(int(card.phoneForm));
    missing = missing || card.missing;
    withoutEmail = withoutEmail || card.email.empty();
  }
  EXPECT_EQ(locations.size(), 3u);
  EXPECT_EQ(companies.size(), 3u);
  EXPECT_EQ(addresses.size(), 3u);
  EXPECT_EQ(phones.size(), 7u);
  EXPECT_TRUE(missing);
  EXPECT_TRUE(withoutEmail);
}

}  // namespace
}  // namespace korvath::demo
