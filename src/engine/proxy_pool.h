#pragma once

#include "engine/block_backoff.h"
#include "engine/job_clock.h"
#include "engine/pacer.h"
#include "web/page_fetcher.h"
#include "web/proxy_list.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace korvath {

// The proxies of "proxies.txt", each lent to one worker at a time and rested after the engine
// blocked it or after it failed again and again. A proxy's session (its fetcher: cookies,
// connection, last address) and its pace belong to the proxy, so a worker that borrows it goes on
// where the last one left off. Safe to use from every worker.
class ProxyPool {
 public:
  using TimePoint = JobClock::TimePoint;
  using FetcherFactory = std::function<std::unique_ptr<PageFetcher>()>;
  // Failures in a row (no connection, refused, time-outs) after which a proxy rests.
  static constexpr int kFailuresBeforeRest = 3;

  ProxyPool(std::vector<ListedProxy> proxies, BlockPolicy policy, FetcherFactory makeFetcher = {});
  ~ProxyPool();

  int Size() const { return int(entries_.size()); }
  const ListedProxy& Proxy(int proxy) const { return entries_[proxy].proxy; }

  // A proxy that is neither lent nor resting at `now`, the one used longest ago first (lent, or
  // its last request ended); none when every proxy is lent or resting.
  std::optional<int> Borrow(TimePoint now);
  // The proxy's worker no longer uses it.
  void Return(int proxy);
  // The soonest moment at which a proxy that is not lent can be borrowed: the end of the shortest
  // rest, or a moment already past when such a proxy is free; none when every proxy is lent.
  std::optional<TimePoint> SoonestReturn() const;
  // The proxy's own fetcher, made at its first loan; only its borrower may use it.
  PageFetcher& Session(int proxy);

  // The engine blocked the proxy: its pace slows, and it rests for the block wait, doubled with
  // each rest of this proxy in a row up to the maximum, and never shorter than the answer's
  // "Retry-After" (up to that maximum). Returns the end of the rest.
  TimePoint RestAfterBlock(int proxy, TimePoint now,
                           std::optional<std::chrono::seconds> retryAfter);
  // A request through the proxy failed before the engine answered. Returns the end of a rest when
  // this was one failure too many in a row; that rest doubles in the same row as the block rests,
  // so a proxy that stays dead comes back less and less often.
  std::optional<TimePoint> NoteFailure(int proxy, TimePoint now);
  // The engine answered through the proxy (a page, a card, or a failure of its own).
  void EngineAnswered(int proxy);
  // A page or a card came through the proxy: its rows of blocks and of failures end.
  void NoteAnswer(int proxy);
  // Every proxy has failed since the engine last answered through any of them.
  bool NoneReachesEngine() const;
  // True once per such spell: whoever gets it says that no proxy works.
  bool FirstToTellNoneWorks();

  // Each proxy learns its own pace from `start` on, or from what `learned` says an earlier job
  // settled at for the proxy's name.
  using LearnedPaces =
      std::function<std::optional<std::chrono::milliseconds>(const QString& proxyName)>;
  void PaceAutomatically(const PaceSettings& settings, std::chrono::milliseconds start,
                         const LearnedPaces& learned);
  // The pause before the proxy's next request: its learned pace, or `fixed`.
  std::chrono::milliseconds NextInterval(int proxy, std::chrono::milliseconds fixed);
  // The proxy's learned pace, and whether it is news for the log (Pacer::ToAnnounce).
  std::optional<std::chrono::milliseconds> LearnedPace(int proxy) const;
  std::optional<std::chrono::milliseconds> PaceToAnnounce(int proxy);
  Pacer PaceOf(int proxy) const;
  void RequestEnded(int proxy, TimePoint end);
  void CountRequest(int proxy);

  // One line per proxy: requests, blocks and rests, and its pace when it learned one.
  QStringList Summary() const;

 private:
  struct Entry {
    Entry(ListedProxy listed, BlockPolicy policy) : proxy(std::move(listed)), backoff(policy) {}

    ListedProxy proxy;
    BlockBackoff backoff;
    std::unique_ptr<PageFetcher> session;
    Pacer pace;
    bool lent = false;
    TimePoint restUntil{};
    TimePoint lastLent{};
    int failuresInRow = 0;
    bool failedSinceEngineAnswered = false;
    int requests = 0;
    int blocks = 0;
    int rests = 0;
  };

  static TimePoint LastUse(const Entry& entry);
  TimePoint Rest(Entry& entry, TimePoint now, std::optional<std::chrono::seconds> retryAfter);

  FetcherFactory makeFetcher_;
  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
  bool toldNoneWorks_ = false;
};

}  // namespace korvath
