#include "demo-engine/captcha_gate.h"

#include <gtest/gtest.h>

#include <vector>

namespace korvath::demo {
namespace {

using std::chrono::milliseconds;

struct GateStep {
  const char* client;
  int atMs;
  bool refused;
};

void Walk(CaptchaGate& gate, std::initializer_list<GateStep> steps) {
  const CaptchaGate::Clock::time_point t0{};
  for (const GateStep& step : steps) {
    EXPECT_EQ(gate.Refuses(step.client, t0 + milliseconds(step.atMs)), step.refused)
        << step.client << " at " << step.atMs << " ms";
  }
}

// A client may ask `after` times; then it is refused for `lasts`, after which its count starts
// again. Clients are told apart by their address.
TEST(CaptchaGate, BlocksEachAddressForAWhileAfterItsRequests) {
  CaptchaGate gate({2, milliseconds(100), CaptchaStyle::Redirect});
  // clang-format off
  Walk(gate, {
             {"127.0.0.2", 0, false}, {"127.0.0.2", 1, false}, {"127.0.0.2", 2, true},
             {"127.0.0.3", 3, false}, {"127.0.0.2", 50, true}, {"127.0.0.2", 102, false},
             {"127.0.0.2", 103, false}, {"127.0.0.2", 104, true}, {"127.0.0.3", 105, false}});
  // clang-format on
}

// More than 2 requests within 100 ms block the address for 50 ms; refused ones do not count.
TEST(CaptchaGate, BlocksAnAddressThatAsksTooFast) {
  CaptchaGate gate({0, milliseconds(50), CaptchaStyle::Inline, 2, milliseconds(100)});
  // clang-format off
  Walk(gate, {
             {"127.0.0.2", 0, false}, {"127.0.0.2", 60, false}, {"127.0.0.3", 70, false},
             {"127.0.0.2", 90, true}, {"127.0.0.2", 139, true}, {"127.0.0.2", 140, false},
             {"127.0.0.2", 241, false}, {"127.0.0.2", 300, false}});
  // clang-format on
}

// A bucket of 3 refilled at one request per 50 ms: a burst of 3 passes, then one per 50 ms; a
// refused request waits out its block of 50 ms, during which the bucket fills.
TEST(CaptchaGate, LetsABurstThroughABucket) {
  CaptchaGate gate({0, milliseconds(50), CaptchaStyle::Inline, 2, milliseconds(100), 3});
  // clang-format off
  Walk(gate, {
             {"127.0.0.2", 0, false}, {"127.0.0.2", 1, false}, {"127.0.0.2", 2, false},
             {"127.0.0.2", 3, true}, {"127.0.0.3", 4, false}, {"127.0.0.2", 60, false},
             {"127.0.0.2", 61, true}, {"127.0.0.2", 100, true}, {"127.0.0.2", 150, false},
             {"127.0.0.2", 151, false}, {"127.0.0.2", 152, true}, {"127.0.0.2", 210, false},
             {"127.0.0.2", 260, false}, {"127.0.0.2", 310, false}});
  // clang-format on
}

// 2 requests per 100 ms until 3 have passed from all addresses, then 2 per 200 ms.
TEST(CaptchaGate, HalvesTheLimitAfterSomeRequests) {
  CaptchaGate gate({0, milliseconds(10), CaptchaStyle::Inline, 2, milliseconds(100), 0, 3});
  // clang-format off
  Walk(gate, {
             {"127.0.0.2", 0, false}, {"127.0.0.2", 50, false}, {"127.0.0.2", 120, false},
             {"127.0.0.3", 130, false}, {"127.0.0.3", 140, false}, {"127.0.0.3", 150, true},
             {"127.0.0.2", 200, true}, {"127.0.0.2", 215, false}});
  // clang-format on
}

TEST(CaptchaGate, NeverRefusesWithoutALimit) {
  CaptchaGate gate({});
  for (int i = 0; i < 100; ++i) EXPECT_FALSE(gate.Refuses("127.0.0.1"));
}

}  // namespace
}  // namespace korvath::demo
