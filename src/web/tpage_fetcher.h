#pragma once

#include <chrono>
#include <cstddef>
#include <memory>

#include "web/page_fetcher.h"

namespace korvath {

struct FetcherOptions {
  std::chrono::milliseconds connectTimeout{60000};
  std::chrono::milliseconds readTimeout{60000};
  // A body larger than this fails the request rather than exhausting memory.
  std::size_t maxBodyBytes = std::size_t{256} << 20;
};

// The HTTP(S) client of one job run: a desktop browser's request profile, redirects, the run's
// cookies, one persistent connection, optionally through an HTTP proxy. Used by one thread only;
// every call blocks that thread until it is done.
class TPageFetcher final : public PageFetcher {
 public:
  explicit TPageFetcher(FetcherOptions options = {});
  ~TPageFetcher() override;
  TPageFetcher(const TPageFetcher&) = delete;
  TPageFetcher& operator=(const TPageFetcher&) = delete;

  void Get(const QString& address, QByteArray& buffer) override;
  int ResponseCode() const override;
  const UrlParts& URL() const override;
  const AnswerTrace& LastAnswer() const override;
  void ClearCookies() override;
  void Disconnect() override;
  void DropConnection() override;
  void SetProxyParams(const ProxyParams& params) override;
  const ProxyParams& GetProxyParams() const override;
  void Abort() override;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace korvath
