#pragma once

#include "demo-engine/demo_ads.h"

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace korvath::demo {

// How the engine misbehaves on purpose, for tests and benchmarks.
struct Misbehaviour {
  int failEvery = 0;          // answer 500 to every Nth request; 0: never
  int nothingFoundLoads = 0;  // the first N loads of every results page say nothing was found
};

struct DemoAnswer {
  unsigned status = 200;
  std::string body;
  std::string location;   // for redirects
  std::string setCookie;  // empty: no Set-Cookie header
};

// Turns a request target into the engine's answer. Safe to call from several threads.
class DemoRouter {
 public:
  static constexpr std::string_view kSessionCookie = "demo_session";

  DemoRouter(EngineShape shape, Misbehaviour misbehaviour, std::string origin);

  // `cookieHeader` is the request's Cookie header, empty when it has none.
  DemoAnswer Answer(std::string_view target, std::string_view cookieHeader);

  std::uint64_t RequestCount() const { return requests_.load(); }

 private:
  DemoAnswer AnswerResults(std::string_view path, std::string_view query);
  DemoAnswer AnswerCard(std::string_view id);
  bool SaysNothingFoundThisTime(std::string_view target);

  const EngineShape shape_;
  const Misbehaviour misbehaviour_;
  const std::string origin_;
  std::atomic<std::uint64_t> requests_{0};
  std::atomic<std::uint64_t> sessions_{0};
  std::mutex loadsMutex_;
  std::map<std::string, int, std::less<>> loadsByTarget_;
};

}  // namespace korvath::demo
