#include "demo-engine/demo_router.h"
#include "demo-engine/demo_options.h"
#include "demo-engine/query_text.h"

#include <gtest/gtest.h>

namespace korvath::demo {
namespace {

const std::string kOrigin = "https://127.0.0.1:4443";
constexpr std::string_view kWindows = "/search/direct?text=%D0%BE%D0%BA%D0%BD%D0%B0&lr=213";
constexpr std::string_view kSession = "demo_session=1";

bool SaysNothingFound(const DemoAnswer& answer) {
  return answer.body.find(">По вашему запросу ничего не нашлось<") != std::string::npos;
}

TEST(DemoRouter, AnswersEachKindOfAddress) {
  const struct {
    std::string_view target;
    unsigned status;
    std::string_view location;
  } cases[] = {
      {kWindows, 200, ""},
      {"/search/direct?lr=213&text=x&page=3", 200, ""},
      {"/search/direct?text=x&lr=213&page=4", 404, ""},
      {"/search/direct?text=x&lr=213&page=0", 404, ""},
      {"/search/direct?text=x&lr=213&page=2x", 404, ""},
      {"/search/direct?text=x", 400, ""},
      {"/search/direct?lr=1", 400, ""},
      {"/search/"
       "direct?text=%D0%B1%D0%B5%D0%B7%20%D0%BA%D0%BE%D0%BD%D1%82%D0%B0%D0%BA%D1%82%D0%BE%D0%B2&lr="
       "2&page=2",
       302,
       "/search/"
       "ads?text=%D0%B1%D0%B5%D0%B7%20%D0%BA%D0%BE%D0%BD%D1%82%D0%B0%D0%BA%D1%82%D0%BE%D0%B2&lr=2&"
       "page=2"},
      {"/search/ads?text=x&lr=213", 200, ""},
      {"/card/1001", 200, ""},
      {"/card/1011", 404, ""},  // one of the cards that no longer exist
      {"/card/-1", 404, ""},
      {"/card/99999999999999999999999", 404, ""},
      {"/card/", 404, ""},
      {"/", 404, ""},
      {"", 404, ""},
  };
  DemoRouter router({3, 4, 0}, {}, kOrigin);
  for (const auto& c : cases) {
    const DemoAnswer answer = router.Answer(c.target, kSession);
    EXPECT_EQ(answer.status, c.status) << c.target;
    EXPECT_EQ(answer.location, c.location) << c.target;
  }
}

TEST(DemoRouter, StartsASessionForEveryClientWithoutOne) {
  DemoRouter router({}, {}, kOrigin);
  const struct {
    std::string_view cookies;
    bool setsCookie;
  } cases[] = {{"", true},
               {"other=1", true},
               {"xdemo_session=1", true},
               {"demo_session=7", false},
               {"a=1; demo_session=7; b=2", false},
               {"a=1;demo_session=", false}};
  for (const auto& c : cases) {
    const DemoAnswer answer = router.Answer("/card/1001", c.cookies);
    EXPECT_EQ(!answer.setCookie.empty(), c.setsCookie) << c.cookies;
  }
  // Failures and missing pages start sessions too, as the first answer a client sees may be one.
  EXPECT_TRUE(router.Answer("/nowhere", "").setCookie.starts_with("demo_session="));
}

TEST(DemoRouter, FailsEveryNthRequest) {
  Misbehaviour misbehaviour;
  misbehaviour.failEvery = 3;
  DemoRouter router({}, misbehaviour, kOrigin);
  std::vector<unsigned> statuses;
  for (int i = 0; i < 7; ++i) statuses.push_back(router.Answer("/card/1001", kSession).status);
  EXPECT_EQ(statuses, (std::vector<unsigned>{200, 200, 500, 200, 200, 500, 200}));
}

TEST(DemoRouter, MisbehavesAtTheNumberedRequests) {
  Misbehaviour misbehaviour;
  misbehaviour.failAt = {2, 3};
  misbehaviour.resetAt = {4, 4};
  misbehaviour.stallAt = {5, 5};
  misbehaviour.garbageAt = {6, 7};
  misbehaviour.cutAt = {8, 8};
  DemoRouter router({}, misbehaviour, kOrigin);
  std::vector<std::pair<Fault, unsigned>> answers;
  for (int i = 0; i < 9; ++i) {
    const DemoAnswer answer = router.Answer("/card/1001", "");
    answers.emplace_back(answer.fault, answer.status);
    // A connection that carries no answer starts no session; a cut one carries half of one.
    const bool carriesAnswer = answer.fault == Fault::None || answer.fault == Fault::Cut;
    EXPECT_EQ(answer.setCookie.empty(), !carriesAnswer) << i;
    EXPECT_EQ(answer.body.empty(), !carriesAnswer) << i;
  }
  EXPECT_EQ(answers, (std::vector<std::pair<Fault, unsigned>>{{Fault::None, 200},
                                                              {Fault::None, 500},
                                                              {Fault::None, 500},
                                                              {Fault::Reset, 200},
                                                              {Fault::Stall, 200},
                                                              {Fault::Garbage, 200},
                                                              {Fault::Garbage, 200},
                                                              {Fault::Cut, 200},
                                                              {Fault::None, 200}}));
}

TEST(DemoRouter, NothingFoundForTheFirstLoadsOfEachPage) {
  Misbehaviour misbehaviour;
  misbehaviour.nothingFoundLoads = 2;
  DemoRouter router({2, 3, 0}, misbehaviour, kOrigin);
  const std::string secondPage = std::string(kWindows) + "&page=2";
  std::vector<bool> first, second;
  for (int i = 0; i < 3; ++i) first.push_back(SaysNothingFound(router.Answer(kWindows, kSession)));
  for (int i = 0; i < 3; ++i)
    second.push_back(SaysNothingFound(router.Answer(secondPage, kSession)));
  EXPECT_EQ(first, (std::vector<bool>{true, true, false}));
  EXPECT_EQ(second, (std::vector<bool>{true, true, false}));
}

TEST(DemoRouter, SomeQueriesNeverFindAnything) {
  DemoRouter router({}, {}, kOrigin);
  const std::string target = "/search/direct?text=" + PercentEncode("ничего такого") + "&lr=213";
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(SaysNothingFound(router.Answer(target, kSession)));
}

TEST(DemoRouter, AnswersABlockedClientInTheChosenStyle) {
  const struct {
    CaptchaStyle style;
    unsigned status;
    std::string_view location;
    bool captchaPage;
  } cases[] = {
      {CaptchaStyle::Redirect, 302, "/showcaptcha?retpath=https%3A%2F%2F127", false},
      {CaptchaStyle::Inline, 200, "", true},
      {CaptchaStyle::Status, 429, "", false},
  };
  for (const auto& c : cases) {
    Misbehaviour misbehaviour;
    misbehaviour.captcha = {1, std::chrono::seconds(60), c.style};
    DemoRouter router({}, misbehaviour, kOrigin);
    EXPECT_EQ(router.Answer(kWindows, kSession, "127.0.0.2").status, 200u);
    const DemoAnswer blocked = router.Answer(kWindows, kSession, "127.0.0.2");
    EXPECT_EQ(blocked.status, c.status);
    EXPECT_TRUE(blocked.location.starts_with(c.location)) << blocked.location;
    EXPECT_EQ(blocked.body.find("/checkcaptcha") != std::string::npos, c.captchaPage);
    // Another address is not blocked, and the captcha page is served to anyone.
    EXPECT_EQ(router.Answer(kWindows, kSession, "127.0.0.3").status, 200u);
    const DemoAnswer page = router.Answer("/showcaptcha?retpath=x", kSession, "127.0.0.2");
    EXPECT_EQ(page.status, 200u);
    EXPECT_NE(page.body.find("action=\"/checkcaptcha"), std::string::npos);
  }
}

TEST(DemoRouter, AnswersChosenRequestsWithAPageThatIsNoResultsPage) {
  Misbehaviour misbehaviour;
  misbehaviour.unrecognisedAt = {2, 2};
  DemoRouter router({}, misbehaviour, kOrigin);
  EXPECT_NE(router.Answer(kWindows, kSession).body.find("data-cid="), std::string::npos);
  const DemoAnswer odd = router.Answer(kWindows, kSession);
  EXPECT_EQ(odd.status, 200u);
  EXPECT_EQ(odd.body.find("serp-adv__found"), std::string::npos);
  EXPECT_EQ(odd.body.find("data-cid="), std::string::npos);
  EXPECT_NE(router.Answer(kWindows, kSession).body.find("data-cid="), std::string::npos);
}

TEST(DemoOptions, ReadsTheCaptchaOptions) {
  const DemoOptions options = ParseDemoOptions(
      u"engine --captcha-after 5 --captcha-for 0.25 --captcha-style status --unrecognised-at 4-6"_qs
          .split(u' '));
  EXPECT_EQ(options.misbehaviour.captcha.after, 5);
  EXPECT_EQ(options.misbehaviour.captcha.lasts, std::chrono::milliseconds(250));
  EXPECT_EQ(options.misbehaviour.captcha.style, CaptchaStyle::Status);
  EXPECT_EQ(options.misbehaviour.unrecognisedAt.first, 4u);
  EXPECT_EQ(options.misbehaviour.unrecognisedAt.last, 6u);
  const CaptchaRule rate = ParseDemoOptions({"engine", "--rate-limit=4/0.5"}).misbehaviour.captcha;
  EXPECT_EQ(rate.rateRequests, 4);
  EXPECT_EQ(rate.rateWindow, std::chrono::milliseconds(500));
  const CaptchaRule shaped =
      ParseDemoOptions({"engine", "--rate-limit=4/1", "--rate-burst=9", "--rate-halve-after=50"})
          .misbehaviour.captcha;
  EXPECT_EQ(shaped.rateBurst, 9);
  EXPECT_EQ(shaped.rateHalveAfter, 50);
  for (const char* bad :
       {"--captcha-style=sometimes", "--captcha-for=-1", "--captcha-after=x", "--rate-limit=4",
        "--rate-limit=0/1", "--rate-limit=4/0", "--rate-burst=3", "--rate-halve-after=10"}) {
    EXPECT_THROW(ParseDemoOptions({"engine", bad}), std::runtime_error) << bad;
  }
}

TEST(DemoOptions, ReadsEveryOption) {
  const DemoOptions options = ParseDemoOptions(
      u"engine --port 8443 --pages 5 --ads 0 --filler 100 --slow-ms 20 --fail-every 4 "
      u"--nothing-found-loads 2 --exit-after 9 --log --fail-at 3-5 --reset-at 7 --stall-at 8-8 "
      u"--garbage-at 1-100 --cut-at 9"_qs.split(u' '));
  EXPECT_EQ(options.port, 8443);
  EXPECT_EQ(options.shape.pages, 5);
  EXPECT_EQ(options.shape.adsPerPage, 0);
  EXPECT_EQ(options.shape.fillerBytes, 100);
  EXPECT_EQ(options.slowMs, 20);
  EXPECT_EQ(options.misbehaviour.failEvery, 4);
  EXPECT_EQ(options.misbehaviour.nothingFoundLoads, 2);
  const auto ends = [](const RequestRange& r) {
    return std::vector<std::uint64_t>{r.first, r.last};
  };
  EXPECT_EQ(ends(options.misbehaviour.failAt), (std::vector<std::uint64_t>{3, 5}));
  EXPECT_EQ(ends(options.misbehaviour.resetAt), (std::vector<std::uint64_t>{7, 7}));
  EXPECT_EQ(ends(options.misbehaviour.stallAt), (std::vector<std::uint64_t>{8, 8}));
  EXPECT_EQ(ends(options.misbehaviour.garbageAt), (std::vector<std::uint64_t>{1, 100}));
  EXPECT_EQ(ends(options.misbehaviour.cutAt), (std::vector<std::uint64_t>{9, 9}));
  EXPECT_EQ(options.exitAfterS, 9);
  EXPECT_TRUE(options.logRequests);
  EXPECT_TRUE(options.help.empty());
  EXPECT_FALSE(ParseDemoOptions({"engine", "--help"}).help.empty());
}

TEST(DemoOptions, RejectsWhatItCannotServe) {
  const QStringList cases[] = {
      {"engine", "--pages", "0"},    {"engine", "--port", "70000"},
      {"engine", "--ads", "-1"},     {"engine", "--ads", "ten"},
      {"engine", "--ads"},           {"engine", "--bogus"},
      {"engine", "extra"},           {"engine", "--slow-ms", "1e3"},
      {"engine", "--reset-at", "0"}, {"engine", "--stall-at", "3-2"},
      {"engine", "--fail-at", "-2"}, {"engine", "--garbage-at", "1-2-3"},
      {"engine", "--fail-at", "x"},
  };
  for (const QStringList& arguments : cases)
    EXPECT_THROW(ParseDemoOptions(arguments), std::runtime_error)
        << arguments.join(' ').toStdString();
}

}  // namespace
}  // namespace korvath::demo
