#include "engine/block_signals.h"
#include "engine/block_backoff.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "engine/test_pages.h"

namespace korvath {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

const QString kCaptchaForm =
    u"<html><body><form method=\"POST\" action=\"/checkcaptcha?key=1\"><input type=checkbox>"
    u"</form></body></html>"_qs;
const QString kResultsPage = QString::fromUtf8(testing::ResultsPage({{u"A"_qs, u"/card/1"_qs}}));
const QString kCard = QString::fromUtf8(testing::CardPage(u"Фирма"_qs));

struct SignalCase {
  const char* name;
  QStringList paths;
  bool captchaHeader;
  std::optional<int> retryAfter;
  int status;
  QString text;
  AnswerKind kind;
  std::optional<BlockKind> expected;
  std::optional<seconds> expectedRetryAfter = std::nullopt;
};

class BlockSignals : public ::testing::TestWithParam<SignalCase> {};

TEST_P(BlockSignals, TellRefusalsFromPages) {
  const SignalCase& c = GetParam();
  AnswerTrace trace;
  trace.paths = c.paths;
  trace.captchaHeader = c.captchaHeader;
  trace.retryAfterSeconds = c.retryAfter;
  const std::optional<Block> block = BlockOfPage(trace, c.status, c.text, c.kind);
  ASSERT_EQ(block.has_value(), c.expected.has_value());
  if (block) {
    EXPECT_EQ(block->kind, *c.expected);
    EXPECT_EQ(block->retryAfter, c.expectedRetryAfter);
  }
}

constexpr auto kResults = AnswerKind::ResultsPage;
constexpr auto kCardKind = AnswerKind::Card;

INSTANTIATE_TEST_SUITE_P(
    , BlockSignals,
    ::testing::Values(
        SignalCase{"RealResultsPage",
                   {u"/search/direct"_qs},
                   false,
                   {},
                   200,
                   kResultsPage,
                   kResults,
                   std::nullopt},
        SignalCase{"RealCard", {u"/card/1"_qs}, false, {}, 200, kCard, kCardKind, std::nullopt},
        SignalCase{"RedirectToCaptcha",
                   {u"/search/direct"_qs, u"/showcaptcha"_qs},
                   false,
                   {},
                   200,
                   kCaptchaForm,
                   kResults,
                   BlockKind::Captcha},
        SignalCase{"CaptchaPathInAnyCaseEvenWithARealPage",
                   {u"/card/1"_qs, u"/ShowCaptchaFast"_qs},
                   false,
                   {},
                   200,
                   kCard,
                   kCardKind,
                   BlockKind::Captcha},
        SignalCase{
            "CaptchaHeader", {u"/card/1"_qs}, true, {}, 200, kCard, kCardKind, BlockKind::Captcha},
        SignalCase{"TooManyRequestsWithRetryAfter",
                   {u"/search/direct"_qs},
                   false,
                   120,
                   429,
                   QString(),
                   kResults,
                   BlockKind::TooManyRequests,
                   seconds(120)},
        SignalCase{"Forbidden",
                   {u"/card/1"_qs},
                   false,
                   {},
                   403,
                   QString(),
                   kCardKind,
                   BlockKind::Forbidden},
        SignalCase{"ForbiddenWithTheCaptchaHeaderIsACaptcha",
                   {u"/card/1"_qs},
                   true,
                   {},
                   403,
                   QString(),
                   kCardKind,
                   BlockKind::Captcha},
        SignalCase{"CaptchaFormAtTheSameAddress",
                   {u"/search/direct"_qs},
                   false,
                   {},
                   200,
                   kCaptchaForm,
                   kResults,
                   BlockKind::Captcha},
        SignalCase{"CaptchaWidgetMarkOnACard",
                   {u"/card/1"_qs},
                   false,
                   {},
                   200,
                   u"<div class=\"smart-captcha\"></div>"_qs,
                   kCardKind,
                   BlockKind::Captcha},
        SignalCase{"ResultsPageThatMentionsACaptchaInAScript",
                   {u"/search/direct"_qs},
                   false,
                   {},
                   200,
                   kResultsPage + u"<script>var f='AdvancedCaptcha';</script>"_qs,
                   kResults,
                   std::nullopt},
        SignalCase{"CardThatMentionsACaptchaForm",
                   {u"/card/1"_qs},
                   false,
                   {},
                   200,
                   kCard + kCaptchaForm,
                   kCardKind,
                   std::nullopt},
        SignalCase{"PageWithoutMarkersIsUnrecognised",
                   {u"/search/direct"_qs},
                   false,
                   {},
                   200,
                   u"<html><h1>Новый поиск</h1><form action=\"/search\"></form></html>"_qs,
                   kResults,
                   BlockKind::Unrecognised},
        SignalCase{"CardWithoutMarkersIsNoCard",
                   {u"/card/1"_qs},
                   false,
                   {},
                   200,
                   u"<html><h1>Поиск обновился</h1></html>"_qs,
                   kCardKind,
                   BlockKind::NoCard},
        SignalCase{"EmptyBodySaysNothing",
                   {u"/search/direct"_qs},
                   false,
                   {},
                   200,
                   QString(),
                   kResults,
                   std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BlockBackoff, DoublesEachBlockInARowUpToTheMaximum) {
  BlockBackoff backoff({milliseconds(200), milliseconds(1000), false});
  std::vector<milliseconds> waits;
  for (int i = 0; i < 5; ++i) waits.push_back(backoff.Next());
  EXPECT_EQ(waits,
            (std::vector<milliseconds>{milliseconds(200), milliseconds(400), milliseconds(800),
                                       milliseconds(1000), milliseconds(1000)}));
  backoff.EndRow();
  EXPECT_EQ(backoff.Next(), milliseconds(200));
  // The engine's own "Retry-After" lengthens the wait, but only up to the maximum.
  EXPECT_EQ(backoff.Next(seconds(3)), milliseconds(1000));
  EXPECT_EQ(backoff.Next(seconds(999999999)), milliseconds(1000));
  backoff.EndRow();
  EXPECT_EQ(backoff.Next(seconds(0)), milliseconds(200));
}

}  // namespace
}  // namespace korvath
