#include "demo-engine/demo_router.h"

#include "demo-engine/card_markup.h"
#include "demo-engine/demo_cards.h"
#include "demo-engine/query_text.h"
#include "demo-engine/results_markup.h"

#include <charconv>

namespace korvath::demo {
namespace {

constexpr std::string_view kDirectPath = "/search/direct";
constexpr std::string_view kAdsOnlyPath = "/search/ads";
constexpr std::string_view kCardPrefix = "/card/";
constexpr std::string_view kCaptchaPath = "/showcaptcha";

DemoAnswer PlainAnswer(unsigned status, std::string_view text) {
  DemoAnswer answer;
  answer.status = status;
  answer.body = "<!DOCTYPE html><html><body><h1>";
  answer.body += text;
  answer.body += "</h1></body></html>\n";
  return answer;
}

bool HasSessionCookie(std::string_view cookieHeader) {
  while (!cookieHeader.empty()) {
    const std::size_t end = cookieHeader.find(';');
    std::string_view pair = cookieHeader.substr(0, end);
    while (!pair.empty() && pair.front() == ' ') pair.remove_prefix(1);
    if (pair.substr(0, pair.find('=')) == DemoRouter::kSessionCookie) return true;
    if (end == std::string_view::npos) break;
    cookieHeader.remove_prefix(end + 1);
  }
  return false;
}

// A page number the client may have written; anything else than a positive number is no page.
int PageNumber(const std::optional<std::string>& text) {
  if (!text) return 1;
  int page = 0;
  const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), page);
  if (error != std::errc() || end != text->data() + text->size() || page < 1) return 0;
  return page;
}

}  // namespace

DemoRouter::DemoRouter(EngineShape shape, Misbehaviour misbehaviour, std::string origin)
    : shape_(shape),
      misbehaviour_(misbehaviour),
      origin_(std::move(origin)),
      captchaGate_(misbehaviour.captcha) {}

DemoAnswer DemoRouter::Answer(std::string_view target, std::string_view cookieHeader,
                              std::string_view client) {
  const std::uint64_t number = ++requests_;
  const std::size_t questionMark = target.find('?');
  const std::string_view path = target.substr(0, questionMark);
  const std::string_view query =
      questionMark == std::string_view::npos ? std::string_view() : target.substr(questionMark + 1);

  DemoAnswer answer;
  // A connection fault other than a cut sends no answer at all, so it starts no session either.
  const Fault fault = FaultOf(number);
  if (fault != Fault::None && fault != Fault::Cut) {
    answer.fault = fault;
    return answer;
  }
  if (path == kCaptchaPath) {
    answer.body = RenderCaptchaPage();
  } else if (captchaGate_.Refuses(client)) {
    answer = AnswerBlocked(target);
  } else if (misbehaviour_.unrecognisedAt.Holds(number)) {
    answer = PlainAnswer(200, "Поиск обновился: попробуйте новый интерфейс");
  } else if (misbehaviour_.failAt.Holds(number) ||
             (misbehaviour_.failEvery > 0 &&
              number % static_cast<unsigned>(misbehaviour_.failEvery) == 0))
    answer = PlainAnswer(500, "Внутренняя ошибка сервера");
  else if (path == kDirectPath || path == kAdsOnlyPath)
    answer = AnswerResults(path, query);
  else if (path.starts_with(kCardPrefix))
    answer = AnswerCard(path.substr(kCardPrefix.size()));
  else
    answer = PlainAnswer(404, "Страница не найдена");

  // Every answer to a client without a session starts one, errors and redirects included, as a
  // real site does; the client is expected to send it back for the rest of its run.
  if (!HasSessionCookie(cookieHeader)) {
    answer.setCookie = std::string(kSessionCookie) + "=" + std::to_string(++sessions_) +
                       "; Path=/; Secure; HttpOnly";
  }
  answer.fault = fault;
  return answer;
}

DemoAnswer DemoRouter::AnswerResults(std::string_view path, std::string_view query) {
  const std::optional<std::string> text = QueryParam(query, "text");
  const std::optional<std::string> region = QueryParam(query, "lr");
  if (!text || !region) return PlainAnswer(400, "Не задан запрос или регион");
  const SearchKey key{*text, *region};
  const int page = PageNumber(QueryParam(query, "page"));
  if (page < 1 || page > shape_.pages) return PlainAnswer(404, "Нет такой страницы");

  const Listing listing = path == kDirectPath ? Listing::Direct : Listing::AdsOnly;
  if (listing == Listing::Direct && IsAdsOnlyQuery(key.query)) {
    DemoAnswer answer;
    answer.status = 302;
    answer.location = ResultsTarget(Listing::AdsOnly, key, page);
    return answer;
  }
  DemoAnswer answer;
  if (IsNothingFoundQuery(key.query) || SaysNothingFoundThisTime(ResultsTarget(listing, key, page)))
    answer.body = RenderNothingFoundPage(key);
  else
    answer.body = RenderResultsPage(key, page, shape_, origin_, listing);
  return answer;
}

DemoAnswer DemoRouter::AnswerCard(std::string_view id) {
  std::uint64_t number = 0;
  const auto [end, error] = std::from_chars(id.data(), id.data() + id.size(), number);
  if (error != std::errc() || end != id.data() + id.size())
    return PlainAnswer(404, "Страница не найдена");
  const DemoCard card = CardOf(number);
  if (card.missing && shape_.missingCards) {
    DemoAnswer answer;
    answer.status = 404;
    answer.body = RenderMissingCard();
    return answer;
  }
  DemoAnswer answer;
  answer.body = RenderCard(card, shape_.fillerBytes);
  return answer;
}

DemoAnswer DemoRouter::AnswerBlocked(std::string_view target) const {
  DemoAnswer answer;
  switch (misbehaviour_.captcha.style) {
    case CaptchaStyle::Redirect:
      answer.status = 302;
      answer.location =
          std::string(kCaptchaPath) + "?retpath=" + PercentEncode(origin_ + std::string(target));
      break;
    case CaptchaStyle::Inline:
      answer.body = RenderCaptchaPage();
      break;
    case CaptchaStyle::Status:
      answer = PlainAnswer(429, "Слишком много запросов");
      break;
  }
  return answer;
}

Fault DemoRouter::FaultOf(std::uint64_t request) const {
  if (misbehaviour_.resetAt.Holds(request)) return Fault::Reset;
  if (misbehaviour_.stallAt.Holds(request)) return Fault::Stall;
  if (misbehaviour_.garbageAt.Holds(request)) return Fault::Garbage;
  if (misbehaviour_.cutAt.Holds(request)) return Fault::Cut;
  return Fault::None;
}

bool DemoRouter::SaysNothingFoundThisTime(std::string_view target) {
  if (misbehaviour_.nothingFoundLoads <= 0) return false;
  std::lock_guard lock(loadsMutex_);
  auto it = loadsByTarget_.find(target);
  if (it == loadsByTarget_.end()) it = loadsByTarget_.emplace(std::string(target), 0).first;
  if (it->second >= misbehaviour_.nothingFoundLoads) return false;
  ++it->second;
  return true;
}

}  // namespace korvath::demo
