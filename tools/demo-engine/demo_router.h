#pragma once

#include "demo-engine/captcha_gate.h"
#include "demo-engine/demo_ads.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace korvath::demo {

// Requests `first` to `last`, numbered from 1 in the order the engine reads them; none when
// `first` is 0.
struct RequestRange {
  std::uint64_t first = 0;
  std::uint64_t last = 0;
  bool Holds(std::uint64_t request) const {
    return first > 0 && request >= first && request <= last;
  }
};

// How the engine misbehaves on purpose, for tests and benchmarks.
struct Misbehaviour {
  int failEvery = 0;            // answer 500 to every Nth request; 0: never
  int nothingFoundLoads = 0;    // the first N loads of every results page say nothing was found
  RequestRange failAt;          // answer 500
  RequestRange resetAt;         // reset the connection instead of answering
  RequestRange stallAt;         // never answer, but keep the connection open
  RequestRange garbageAt;       // answer with bytes that are not HTTP, then close
  RequestRange cutAt;           // send the first half of the answer, then close
  CaptchaRule captcha;          // block a client (by address) that asks too often
  RequestRange unrecognisedAt;  // answer with a page that is no results page or card
};

// What the connection does instead of carrying the whole answer.
enum class Fault { None, Reset, Stall, Garbage, Cut };

struct DemoAnswer {
  unsigned status = 200;
  std::string body;
  std::string location;   // for redirects
  std::string setCookie;  // empty: no Set-Cookie header
  Fault fault = Fault::None;
};

// Turns a request target into the engine's answer. Safe to call from several threads.
class DemoRouter {
 public:
  static constexpr std::string_view kSessionCookie = "demo_session";

  DemoRouter(EngineShape shape, Misbehaviour misbehaviour, std::string origin);

  // `cookieHeader` is the request's Cookie header, empty when it has none; `client` the address
  // the request came from.
  DemoAnswer Answer(std::string_view target, std::string_view cookieHeader,
                    std::string_view client = "127.0.0.1");

  std::uint64_t RequestCount() const { return requests_.load(); }

 private:
  DemoAnswer AnswerResults(std::string_view path, std::string_view query);
  DemoAnswer AnswerCard(std::string_view id);
  DemoAnswer AnswerBlocked(std::string_view target) const;
  bool SaysNothingFoundThisTime(std::string_view target);
  Fault FaultOf(std::uint64_t request) const;

  const EngineShape shape_;
  const Misbehaviour misbehaviour_;
  const std::string origin_;
  std::atomic<std::uint64_t> requests_{0};
  std::atomic<std::uint64_t> sessions_{0};
  std::mutex loadsMutex_;
  std::map<std::string, int, std::less<>> loadsByTarget_;
  CaptchaGate captchaGate_;
};

}  // namespace korvath::demo
