#include "demo-engine/results_markup.h"

#include "demo-engine/page_filler.h"
#include "demo-engine/query_text.h"

namespace korvath::demo {
namespace {

// Links in attributes carry "&" as "&amp;", as HTML wants and as the program expects.
void AppendEscapedHref(std::string& out, std::string_view link) {
  for (const char c : link) {
    if (c == '&')
      out += "&amp;";
    else
      out += c;
  }
}

void AppendHead(std::string& out, const std::string& shownQuery) {
  out += "<!DOCTYPE html><html lang=\"ru\"><head><meta charset=\"utf-8\"><title>";
  out += shownQuery;
  out += " &mdash; Поиск рекламы</title></head><body><div class=\"serp\">\n";
}

void AppendAd(std::string& out, const SearchKey& key, const DemoAd& ad, std::string_view origin,
              const std::string& shownQuery, int fillerBytes) {
  const std::string position = std::to_string(ad.position);
  out += "<li class=\"serp-item serp-item_type_adv\" data-cid=\"";
  out += std::to_string(ad.id);
  out += "\" data-pos=\"";
  out += position;
  out += "\"><div class=\"organic\">";
  // The title reads the same whichever way it is written: " &mdash; " cleans to " - ".
  const std::string_view title = ad.title;
  const std::size_t dash = title.rfind(" - ");
  const std::string titleMarkup =
      std::string(title.substr(0, dash)) + " &mdash; " + std::string(title.substr(dash + 3));
  if (ad.titleForm == TitleForm::FirstAnchor) {
    out += "<a class=\"Link organic__url\" href=\"https://";
    out += ad.site;
    out += "/?from=direct\" target=\"_blank\"><div class=\"organic__title\">";
    out += titleMarkup;
    out += "</div></a><div class=\"organic__url-text\">";
    out += ad.site;
    out += "</div>";
  } else {
    out += "<a class=\"Link organic__favicon\" href=\"https://";
    out += ad.site;
    out += "/\"></a><div class=\"organic__url-text\">";
    out += titleMarkup;
    out += "</div>";
  }
  out += "<div class=\"Path\"><a class=\"Link Path-Item\" href=\"https://";
  out += ad.site;
  out += "/\"><b>";
  out += ad.site;
  out += "</b><span class=\"Path-Separator\">&rsaquo;</span><span>каталог</span></a></div>";
  out += "<div class=\"Organic-Text\"><span class=\"OrganicTextContentSpan\"><b>";
  out += shownQuery;
  out += "</b>";
  out += std::string_view(ad.text).substr(shownQuery.size());
  out += "</span></div>";
  if (ad.hasCard) {
    out += "<div class=\"AdContacts\"><a class=\"Link\" href=\"";
    AppendEscapedHref(out, CardAddress(origin, key, ad));
    out += "\">Контактная информация</a></div>";
  }
  AppendFiller(out, fillerBytes);
  out += "</div></li>\n";
}

void AppendPagerLink(std::string& out, std::string_view kind, const std::string& target,
                     std::string_view label) {
  out += "<a class=\"Pager-Item Pager-Item_type_";
  out += kind;
  out += "\" href=\"";
  AppendEscapedHref(out, target);
  out += "\">";
  out += label;
  out += "</a>";
}

}  // namespace

std::string ResultsTarget(Listing listing, const SearchKey& key, int page) {
  std::string target = listing == Listing::Direct ? "/search/direct" : "/search/ads";
  target += "?text=" + PercentEncode(key.query) + "&lr=" + PercentEncode(key.region);
  if (page > 1) target += "&page=" + std::to_string(page);
  return target;
}

std::string FoundText(int count) {
  const int lastTwo = count % 100;
  const int last = count % 10;
  const char* noun = "объявлений";
  if (lastTwo < 11 || lastTwo > 14) {
    if (last == 1)
      noun = "объявление";
    else if (last >= 2 && last <= 4)
      noun = "объявления";
  }
  return "Нашлось " + std::to_string(count) + " " + noun;
}

std::string RenderResultsPage(const SearchKey& key, int page, const EngineShape& shape,
                              std::string_view origin, Listing listing) {
  const std::vector<DemoAd> ads = AdsOfPage(key, page, shape, listing == Listing::Direct);
  const std::string shownQuery = ShownQuery(key.query);
  std::string out;
  out.reserve(2048 + ads.size() * (1400 + static_cast<std::size_t>(shape.fillerBytes)));
  AppendHead(out, shownQuery);
  out += "<div class=\"serp-adv\"><div class=serp-adv__found>";
  out += FoundText(shape.pages * shape.adsPerPage);
  out += "</div></div>\n<ul class=\"serp-list\">\n";
  const std::string_view cardOrigin = shape.pathCardLinks ? std::string_view() : origin;
  for (const DemoAd& ad : ads) AppendAd(out, key, ad, cardOrigin, shownQuery, shape.fillerBytes);
  out += "</ul>\n<div class=\"pager\">";
  if (page > 1) AppendPagerLink(out, "prev", ResultsTarget(listing, key, page - 1), "назад");
  out += "<span class=\"Pager-Item Pager-Item_current\">";
  out += std::to_string(page);
  out += "</span>";
  if (page < shape.pages)
    AppendPagerLink(out, "next", ResultsTarget(listing, key, page + 1), "дальше");
  out += "</div></div><div class=\"footer\">&copy; Демо-поисковик</div></body></html>\n";
  return out;
}

std::string RenderNothingFoundPage(const SearchKey& key) {
  std::string out;
  AppendHead(out, ShownQuery(key.query));
  out +=
      "<div class=\"misspell\"><div class=\"misspell__message\">По вашему запросу ничего не "
      "нашлось</div><div class=\"misspell__hint\">Попробуйте изменить запрос.</div></div>"
      "</div></body></html>\n";
  return out;
}

}  // namespace korvath::demo
