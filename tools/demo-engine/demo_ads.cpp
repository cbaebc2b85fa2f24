#include "demo-engine/demo_ads.h"

#include "demo-engine/number_mix.h"
#include "demo-engine/query_text.h"

#include <array>

namespace korvath::demo {
namespace {

constexpr std::size_t kShownTextLimit = 60;
// Card numbers are the query's seed times this plus the position, so positions stay readable
// in the number and consecutive ads get consecutive cards.
constexpr std::uint64_t kPositionsPerSeed = 10'000'000;
constexpr std::uint64_t kSeedRange = 100'000'000'000;

constexpr std::array<std::string_view, 6> kTitleEndings = {
    "официальный сайт", "цены от производителя",   "доставка за 1 день",
    "скидки до 30%",    "большой выбор в наличии", "гарантия 3 года"};
constexpr std::array<std::string_view, 8> kSiteNames = {
    "romashka", "vektor", "stroymaster", "alfa-servis", "tehnosfera", "granit", "sever", "optima"};

std::uint64_t Fnv1a(std::string_view text, std::uint64_t hash = 14695981039346656037ull) {
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

// The length of the well-formed UTF-8 sequence at the start of `s`, or 0.
std::size_t Utf8SequenceLength(std::string_view s) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const auto continuation = [&](std::size_t i) { return i < s.size() && (byte(i) & 0xC0) == 0x80; };
  const unsigned char lead = byte(0);
  if (lead >= 0xC2 && lead <= 0xDF) return continuation(1) ? 2 : 0;
  if (lead >= 0xE0 && lead <= 0xEF) {
    if (!continuation(1) || !continuation(2)) return 0;
    if (lead == 0xE0 && byte(1) < 0xA0) return 0;  // overlong
    if (lead == 0xED && byte(1) > 0x9F) return 0;  // surrogate
    return 3;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    if (!continuation(1) || !continuation(2) || !continuation(3)) return 0;
    if (lead == 0xF0 && byte(1) < 0x90) return 0;
    if (lead == 0xF4 && byte(1) > 0x8F) return 0;
    return 4;
  }
  return 0;
}

bool IsShownAscii(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-';
}

std::uint64_t SeedOf(const SearchKey& key) {
  return Fnv1a(key.region, Fnv1a(key.query) ^ 0xFF) % kSeedRange;
}

}  // namespace

bool IsNothingFoundQuery(std::string_view query) {
  return query.find("ничего") != std::string_view::npos;
}

bool IsAdsOnlyQuery(std::string_view query) {
  return query.find("без контактов") != std::string_view::npos;
}

std::string ShownText(std::string_view text) {
  std::string out;
  bool pendingBlank = false;
  while (!text.empty() && out.size() < kShownTextLimit) {
    std::size_t length = 1;
    if (IsShownAscii(text.front())) {
      if (pendingBlank && !out.empty()) out += ' ';
      pendingBlank = false;
      out += text.front();
    } else if (const std::size_t sequence = Utf8SequenceLength(text); sequence > 0) {
      if (pendingBlank && !out.empty()) out += ' ';
      pendingBlank = false;
      out.append(text.substr(0, sequence));
      length = sequence;
    } else {
      pendingBlank = true;  // blanks and dropped characters separate words
    }
    text.remove_prefix(length);
  }
  return out;
}

std::string ShownQuery(std::string_view query) {
  std::string shown = ShownText(query);
  return shown.empty() ? std::string("товары") : shown;
}

std::vector<DemoAd> AdsOfPage(const SearchKey& key, int page, const EngineShape& shape,
                              bool withCards) {
  std::vector<DemoAd> ads;
  if (page < 1 || page > shape.pages) return ads;
  const std::string query = ShownQuery(key.query);
  const std::string region = ShownText(key.region);
  const std::uint64_t seed = SeedOf(key);
  ads.reserve(static_cast<std::size_t>(shape.adsPerPage));
  for (int i = 0; i < shape.adsPerPage; ++i) {
    DemoAd& ad = ads.emplace_back();
    ad.position = (page - 1) * shape.adsPerPage + i + 1;
    const std::uint64_t id = seed * kPositionsPerSeed + static_cast<std::uint64_t>(ad.position);
    ad.id = id;
    ad.titleForm = ad.position % 5 == 2 ? TitleForm::UrlTextFallback : TitleForm::FirstAnchor;
    const std::uint64_t pick = Mixed(id);
    ad.title = query + " - " + std::string(kTitleEndings[pick % kTitleEndings.size()]);
    ad.text = query + " с доставкой по региону " + region + ". Звоните с 9:00 до 21:00!";
    ad.site = "www." + std::string(kSiteNames[pick / 8 % kSiteNames.size()]) + "-" +
              std::to_string(pick / 64 % 97) + ".ru";
    ad.hasCard = withCards && ad.position % 7 != 4;
  }
  return ads;
}

std::string CardAddress(std::string_view origin, const SearchKey& key, const DemoAd& ad) {
  if (!ad.hasCard) return {};
  return std::string(origin) + "/card/" + std::to_string(ad.id) +
         "?lr=" + PercentEncode(key.region) + "&pos=" + std::to_string(ad.position);
}

}  // namespace korvath::demo
