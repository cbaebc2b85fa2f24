#pragma once

#include <optional>

#include "engine/proxy_pool.h"
#include "engine/route.h"

namespace korvath {

class JobContext;

// One worker's way out through the pool: it borrows a proxy (the one used longest ago), goes on
// with that proxy's session and pace, and gives it back to rest after a block or after failures
// that never reached the engine; the next request then borrows another.
class PooledRoute final : public Route {
 public:
  PooledRoute(JobContext& context, ProxyPool& pool, int worker);
  // Gives back the proxy the worker still holds.
  ~PooledRoute() override;

  // Every request through a proxy is paced by that proxy's interval, inside Fetch.
  void Pace(Milliseconds interval) override;
  void Fetch(const QString& address, QByteArray& buffer) override;
  PageFetcher& Fetcher() override { return *fetcher_; }
  void MeetBlock(const Block& block, const QString& what) override;
  void ReportError(const QString& message) override;
  void AnswerCame() override;

 private:
  void Borrow();
  void GiveBack();
  void Rest(JobClock::TimePoint until, const QString& why);
  void AnnouncePace(int proxy);

  JobContext& context_;
  ProxyPool& pool_;
  const int worker_;
  std::optional<int> proxy_;
  // The session of the last request; stays valid, since sessions live as long as the pool.
  PageFetcher* fetcher_ = nullptr;
};

}  // namespace korvath
