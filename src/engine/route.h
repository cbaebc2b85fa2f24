#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

#include "engine/block_signals.h"
#include "web/page_fetcher.h"

namespace korvath {

// How the requests of one task get to the engine: straight (or through "proxy.txt"), or through
// the proxies of a pool. The walk of a task asks for pages and cards through it and tells it what
// came back; the route keeps the pace of its address and meets blocks and failures its own way.
class Route {
 public:
  using Milliseconds = std::chrono::milliseconds;

  virtual ~Route() = default;

  // The pause before a request at the moments the walk paces (a results page, a card's first
  // attempt); throws JobStopped on a stop.
  virtual void Pace(Milliseconds interval) = 0;
  // Asks for `address` and appends the body to `buffer`. Throws BlockedAnswer for a refusal seen
  // in the answers, NoProxyWorks when no proxy reaches the engine, JobStopped on a stop, and
  // std::runtime_error for the request's own failure.
  virtual void Fetch(const QString& address, QByteArray& buffer) = 0;
  // The fetcher of the last request, for what its answer said.
  virtual PageFetcher& Fetcher() = 0;
  // A block has been met on `address`: waits it out, or lets the proxy rest. Throws JobStopped.
  virtual void MeetBlock(const Block& block, const QString& what) = 0;
  // The request's own failure is shown and paused after as this route's job does it.
  virtual void ReportError(const QString& message) = 0;
  // A page or a card came: rows of blocks and failures end.
  virtual void AnswerCame() = 0;
};

}  // namespace korvath
