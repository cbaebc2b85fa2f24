#pragma once

#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace korvath::demo {

// How a blocked client is answered: a redirect to the captcha page, the captcha page at the
// address asked for, or "429 Too Many Requests".
enum class CaptchaStyle { Redirect, Inline, Status };

struct CaptchaRule {
  int after = 0;  // requests a client may make before it is blocked; 0: never blocked
  std::chrono::milliseconds lasts{60000};
  CaptchaStyle style = CaptchaStyle::Redirect;
  // A client that sends more than `rateRequests` within `rateWindow` is blocked; 0: no such limit.
  int rateRequests = 0;
  std::chrono::milliseconds rateWindow{0};
  // With a burst the limit is a bucket of this many requests instead, refilled at rateRequests
  // per rateWindow: a client may send a burst, then only as fast as the bucket fills.
  int rateBurst = 0;
  // Once this many requests of all clients have passed the limit, it halves (its window doubles);
  // 0: never.
  int rateHalveAfter = 0;
};

// Counts each client's requests, as the search engine does by address, and blocks a client that
// asked too often, or too fast, for a while; then its count starts again. Safe to call from several
// threads.
class CaptchaGate {
 public:
  using Clock = std::chrono::steady_clock;

  explicit CaptchaGate(CaptchaRule rule) : rule_(rule) {}

  // Whether this request of `client` is refused.
  bool Refuses(std::string_view client, Clock::time_point now = Clock::now());

 private:
  struct Client {
    int served = 0;
    Clock::time_point blockedUntil;
    // The moments of the requests served within the rate window.
    std::deque<Clock::time_point> recent;
    // The requests left in the bucket at `filled`; a new client's bucket is full.
    double tokens = -1;
    Clock::time_point filled;
  };

  // Whether `state` is within the rate limit now; counts the request when it is.
  bool WithinRate(Client& state, Clock::time_point now);

  const CaptchaRule rule_;
  std::mutex mutex_;
  long long passed_ = 0;
  std::map<std::string, Client, std::less<>> clients_;
};

// The engine's captcha page: a check-box form posting to "/checkcaptcha".
std::string RenderCaptchaPage();

}  // namespace korvath::demo
