#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The ads the demo engine shows: a pure function of query, region and page, so that a test can
// ask what a page means and compare it with what the program read from it.
namespace korvath::demo {

// How big the answers are; every query and region gets the same number of pages and ads.
struct EngineShape {
  int pages = 3;
  int adsPerPage = 10;
  int fillerBytes = 0;         // extra markup per ad and per card, for realistic page sizes
  bool missingCards = true;    // every eleventh card answered 404
  bool pathCardLinks = false;  // card links as a path alone, without the origin
};

struct SearchKey {
  std::string query;  // decoded UTF-8, as the user typed it
  std::string region;
};

enum class TitleForm { FirstAnchor, UrlTextFallback };

// One ad, holding the texts as the program should read them back.
struct DemoAd {
  std::uint64_t id = 0;  // the ad's number on the engine, also its card's number
  int position = 0;      // 1-based across all pages of the query and region
  TitleForm titleForm = TitleForm::FirstAnchor;
  std::string title;
  std::string text;
  std::string site;
  bool hasCard = false;  // false: the ad shows no contact link
};

// Queries that the engine always answers with its nothing-found notice.
bool IsNothingFoundQuery(std::string_view query);
// Queries that the engine sends to its ads-only listing, whose ads carry no contact links.
bool IsAdsOnlyQuery(std::string_view query);

// The user's text reduced to what can be shown inside markup without changing how the page
// parses: letters, digits, blanks and hyphens, at most a few dozen characters.
std::string ShownText(std::string_view text);
// The query as titles and ad texts show it; a fixed word when nothing of it can be shown.
std::string ShownQuery(std::string_view query);

// The ads of result page `page` (1-based); empty when the page lies beyond the last one.
std::vector<DemoAd> AdsOfPage(const SearchKey& key, int page, const EngineShape& shape,
                              bool withCards);

// The contact card address of an ad, as the program should use it ("&" unescaped).
std::string CardAddress(std::string_view origin, const SearchKey& key, const DemoAd& ad);

}  // namespace korvath::demo
