#pragma once

#include "demo-engine/demo_ads.h"

#include <string>
#include <string_view>

namespace korvath::demo {

// The listing a results page belongs to: the usual one with contact links, or the ads-only one.
enum class Listing { Direct, AdsOnly };

// Path and query of a results page, "&" unescaped, e.g. "/search/direct?text=a&lr=213&page=2".
std::string ResultsTarget(Listing listing, const SearchKey& key, int page);

// "Нашлось 1 объявление", "Нашлось 3 объявления", "Нашлось 30 объявлений".
std::string FoundText(int count);

// The HTML of result page `page` (1-based, within the shape) with the ads of AdsOfPage; card
// links are absolute addresses on `origin`.
std::string RenderResultsPage(const SearchKey& key, int page, const EngineShape& shape,
                              std::string_view origin, Listing listing);

std::string RenderNothingFoundPage(const SearchKey& key);

}  // namespace korvath::demo
