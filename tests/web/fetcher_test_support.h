#pragma once

#include <QString>

#include <chrono>
#include <string>

#include "web/tpage_fetcher.h"

namespace korvath::testing {

// The headers every page request carries between "Host" and the optional ones.
inline constexpr const char* kRequestProfile =
    "Accept: "
    "text/html,application/xhtml+xml,application/xml;q=0.9,image/avif,image/webp,*/*;q=0.8\r\n"
    "Accept-Language: ru-RU,ru;q=0.8,en-US;q=0.5,en;q=0.3\r\n"
    "User-Agent: Mozilla/5.0 (Windows NT 6.1; Win64; x64; rv:109.0) Gecko/20100101 "
    "Firefox/115.0\r\n";

// The bytes of a page request to 127.0.0.1:`port`, as the fetcher sends them.
inline std::string ExpectedRequest(const std::string& target, int port,
                                   const std::string& cookie = {}) {
  std::string text = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                     "\r\n" + kRequestProfile;
  if (!cookie.empty()) text += "Cookie: " + cookie + "\r\n";
  return text + "\r\n";
}

// Time-outs short enough for a test that waits for one to pass.
inline FetcherOptions ShortTimeouts() {
  FetcherOptions options;
  options.connectTimeout = std::chrono::milliseconds(2000);
  options.readTimeout = std::chrono::milliseconds(300);
  return options;
}

inline QString Q(const std::string& text) { return QString::fromStdString(text); }

// The message of the failure that `get` raises, or "" when it raises none.
template <class Get>
std::string FailureOf(Get&& get) {
  try {
    get();
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return {};
}

}  // namespace korvath::testing
