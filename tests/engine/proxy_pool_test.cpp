#include "engine/proxy_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace korvath {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using TimePoint = ProxyPool::TimePoint;

// Far from the clock's zero, as a steady clock is on a running machine.
const TimePoint kStart = TimePoint(std::chrono::hours(1000));

TimePoint At(double s) {
  return kStart + std::chrono::duration_cast<TimePoint::duration>(std::chrono::duration<double>(s));
}

std::vector<ListedProxy> Proxies(int count) {
  std::vector<ListedProxy> proxies;
  for (int i = 0; i < count; ++i) {
    ListedProxy proxy;
    proxy.params.ProxyServer = u"10.0.0."_qs + QString::number(i + 1);
    proxy.params.ProxyPort = 3128;
    proxy.name = proxy.params.ProxyServer + u":3128"_qs;
    proxies.push_back(proxy);
  }
  return proxies;
}

BlockPolicy Policy() {
  BlockPolicy policy;
  policy.firstWait = seconds(10);
  policy.maxWait = seconds(60);
  return policy;
}

// What happens to the one proxy of a pool, at a moment, and the rest it must bring (if any).
struct Step {
  enum Kind { Block, Failure, Answer } kind;
  double at;
  std::optional<int> retryAfter = std::nullopt;
  std::optional<double> restUntil = std::nullopt;
};

struct ScheduleCase {
  const char* name;
  std::vector<Step> steps;
};

class ProxyRestSchedule : public ::testing::TestWithParam<ScheduleCase> {};

// After each step the proxy is given back: it must not be lent a moment before its rest is over,
// and must be lent the moment it is.
TEST_P(ProxyRestSchedule, RestsAndComesBack) {
  ProxyPool pool(Proxies(1), Policy());
  for (size_t i = 0; i < GetParam().steps.size(); ++i) {
    const Step& step = GetParam().steps[i];
    SCOPED_TRACE("step " + std::to_string(i + 1));
    ASSERT_EQ(pool.Borrow(At(step.at)), 0);
    std::optional<TimePoint> restUntil;
    switch (step.kind) {
      case Step::Block:
        restUntil = pool.RestAfterBlock(
            0, At(step.at),
            step.retryAfter ? std::optional<seconds>(*step.retryAfter) : std::nullopt);
        break;
      case Step::Failure:
        restUntil = pool.NoteFailure(0, At(step.at));
        break;
      case Step::Answer:
        pool.NoteAnswer(0);
        break;
    }
    pool.Return(0);
    ASSERT_EQ(restUntil.has_value(), step.restUntil.has_value());
    if (!restUntil) continue;
    EXPECT_EQ(*restUntil, At(*step.restUntil));
    EXPECT_EQ(pool.SoonestReturn(), restUntil);
    EXPECT_EQ(pool.Borrow(*restUntil - milliseconds(1)), std::nullopt);
    ASSERT_EQ(pool.Borrow(*restUntil), 0);
    pool.Return(0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProxyRestSchedule,
    ::testing::Values(ScheduleCase{"BlocksInRowDoubleUpToMaximum",
                                   {{Step::Block, 0, {}, 10},
                                    {Step::Block, 10, {}, 30},
                                    {Step::Block, 30, {}, 70},
                                    {Step::Block, 70, {}, 130},
                                    {Step::Block, 130, {}, 190}}},
                      ScheduleCase{"AnswerEndsRowOfBlocks",
                                   {{Step::Block, 0, {}, 10},
                                    {Step::Block, 10, {}, 30},
                                    {Step::Answer, 31},
                                    {Step::Block, 32, {}, 42}}},
                      ScheduleCase{"RetryAfterLongerThanWaitHoldsUpToTheMaximum",
                                   {{Step::Block, 0, 25, 25},
                                    {Step::Block, 25, 5, 45},
                                    {Step::Block, 45, 600, 105}}},
                      ScheduleCase{"ThirdFailureInRowRests",
                                   {{Step::Failure, 0},
                                    {Step::Failure, 1},
                                    {Step::Failure, 2, {}, 12},
                                    {Step::Failure, 12},
                                    {Step::Failure, 13},
                                    {Step::Failure, 14, {}, 34}}},
                      ScheduleCase{"AnswerEndsRowOfFailures",
                                   {{Step::Failure, 0},
                                    {Step::Failure, 1},
                                    {Step::Answer, 2},
                                    {Step::Failure, 3},
                                    {Step::Failure, 4},
                                    {Step::Failure, 5, {}, 15}}},
                      // A block is an answer of a kind: the failures before it no longer count.
                      ScheduleCase{"BlockEndsRowOfFailures",
                                   {{Step::Failure, 0},
                                    {Step::Failure, 1},
                                    {Step::Block, 2, {}, 12},
                                    {Step::Failure, 12},
                                    {Step::Failure, 13},
                                    {Step::Failure, 14, {}, 34}}}),
    [](const ::testing::TestParamInfo<ScheduleCase>& info) {
      return std::string(info.param.name);
    });

TEST(ProxyPoolBorrow, EachProxyToOneWorkerNeverUsedFirstThenLongestUnused) {
  ProxyPool pool(Proxies(3), Policy());
  EXPECT_EQ(pool.Borrow(At(0)), 0);
  EXPECT_EQ(pool.Borrow(At(1)), 1);
  EXPECT_EQ(pool.Borrow(At(2)), 2);
  EXPECT_EQ(pool.Borrow(At(3)), std::nullopt);
  EXPECT_EQ(pool.SoonestReturn(), std::nullopt);
  pool.Return(2);
  pool.Return(0);
  pool.Return(1);
  EXPECT_EQ(pool.Borrow(At(4)), 0);
  EXPECT_EQ(pool.Borrow(At(5)), 1);
  pool.Return(0);
  EXPECT_EQ(pool.Borrow(At(6)), 2);
  EXPECT_EQ(pool.Borrow(At(7)), 0);
}

// A worker keeps its proxy across many requests: what counts is when the proxy last sent.
TEST(ProxyPoolBorrow, LongLoanCountsUntilItsLastRequest) {
  ProxyPool pool(Proxies(2), Policy());
  ASSERT_EQ(pool.Borrow(At(0)), 0);
  ASSERT_EQ(pool.Borrow(At(1)), 1);
  pool.RequestEnded(1, At(2));
  pool.Return(1);
  pool.RequestEnded(0, At(50));
  pool.Return(0);
  EXPECT_EQ(pool.PaceOf(0).LastEnd(), At(50));
  EXPECT_EQ(pool.Borrow(At(51)), 1);
  EXPECT_EQ(pool.PaceOf(1).LastEnd(), At(2));
}

TEST(ProxyPoolBorrow, RestingProxySkippedAndSoonestRestNamed) {
  ProxyPool pool(Proxies(3), Policy());
  for (int i = 0; i < 3; ++i) ASSERT_EQ(pool.Borrow(At(0)), i);
  pool.RestAfterBlock(0, At(1), std::nullopt);               // until 11
  pool.RestAfterBlock(1, At(2), std::optional(seconds(5)));  // until 12
  pool.Return(0);
  pool.Return(1);
  EXPECT_EQ(pool.Borrow(At(5)), std::nullopt);
  EXPECT_EQ(pool.SoonestReturn(), At(11));
  // A proxy still lent is no proxy to wait for, however soon its rest would end.
  pool.RestAfterBlock(2, At(3), std::optional(seconds(1)));
  EXPECT_EQ(pool.SoonestReturn(), At(11));
  pool.Return(2);
  EXPECT_EQ(pool.Borrow(At(11)), 0);
  EXPECT_EQ(pool.SoonestReturn(), At(12));
  EXPECT_EQ(pool.Borrow(At(12)), 1);
  EXPECT_EQ(pool.SoonestReturn(), At(13));
  EXPECT_EQ(pool.Borrow(At(12)), std::nullopt);
  EXPECT_EQ(pool.Borrow(At(13)), 2);
}

TEST(ProxyPoolSummary, RequestsBlocksAndRestsPerProxy) {
  std::vector<ListedProxy> proxies = Proxies(2);
  proxies[1].params.ProxyUsername = u"user"_qs;
  proxies[1].params.ProxyPassword = u"secret"_qs;
  ProxyPool pool(std::move(proxies), Policy());
  for (int i = 0; i < 3; ++i) pool.CountRequest(0);
  pool.CountRequest(1);
  pool.RestAfterBlock(1, At(0), std::nullopt);
  pool.RestAfterBlock(1, At(20), std::nullopt);
  for (int i = 0; i < 3; ++i) pool.NoteFailure(0, At(0));
  EXPECT_EQ(pool.Summary(),
            QStringList({u"Прокси 10.0.0.1:3128: запросов 3, блокировок 0, отдыхов 1"_qs,
                         u"Прокси 10.0.0.2:3128: запросов 1, блокировок 2, отдыхов 2"_qs}));
}

// Workers borrow and give back from threads of their own; no proxy may serve two at once.
TEST(ProxyPoolBorrow, NeverLendsOneProxyTwiceAcrossThreads) {
  constexpr int kProxies = 3;
  ProxyPool pool(Proxies(kProxies), Policy());
  std::atomic<int> users[kProxies] = {};
  std::atomic<int> doubleLoans = 0;
  std::atomic<int> loans = 0;
  std::vector<std::thread> workers;
  for (int w = 0; w < 4; ++w) {
    workers.emplace_back([&] {
      for (int i = 0; i < 2000; ++i) {
        const std::optional<int> proxy = pool.Borrow(At(i));
        if (!proxy) continue;
        ++loans;
        if (++users[*proxy] != 1) ++doubleLoans;
        pool.CountRequest(*proxy);
        --users[*proxy];
        pool.Return(*proxy);
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  EXPECT_EQ(doubleLoans, 0);
  EXPECT_GT(loans, 0);
}

}  // namespace
}  // namespace korvath
