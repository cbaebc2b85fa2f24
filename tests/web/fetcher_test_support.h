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
