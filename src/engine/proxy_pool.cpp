#include "engine/proxy_pool.h"

#include <algorithm>
#include <stdexcept>

#include "results/job_status_text.h"

namespace korvath {

ProxyPool::ProxyPool(std::vector<ListedProxy> proxies, BlockPolicy policy,
                     FetcherFactory makeFetcher)
    : makeFetcher_(std::move(makeFetcher)) {
  entries_.reserve(proxies.size());
  for (ListedProxy& proxy : proxies) entries_.emplace_back(std::move(proxy), policy);
}

ProxyPool::~ProxyPool() = default;

// A proxy is in use from the moment it is lent until its last request ends: one lent long ago
// may have been sending until a moment ago, and would keep its next worker waiting out the pause.
ProxyPool::TimePoint ProxyPool::LastUse(const Entry& entry) {
  const std::optional<TimePoint> last = entry.pace.LastEnd();
  return last ? std::max(entry.lastLent, *last) : entry.lastLent;
}

std::optional<int> ProxyPool::Borrow(TimePoint now) {
  std::lock_guard lock(mutex_);
  std::optional<int> best;
  for (int i = 0; i < Size(); ++i) {
    const Entry& entry = entries_[i];
    if (entry.lent || now < entry.restUntil) continue;
    if (!best || LastUse(entry) < LastUse(entries_[*best])) best = i;
  }
  if (best) {
    entries_[*best].lent = true;
    entries_[*best].lastLent = now;
  }
  return best;
}

void ProxyPool::Return(int proxy) {
  std::lock_guard lock(mutex_);
  entries_[proxy].lent = false;
}

std::optional<ProxyPool::TimePoint> ProxyPool::SoonestReturn() const {
  std::lock_guard lock(mutex_);
  std::optional<TimePoint> soonest;
  for (const Entry& entry : entries_) {
    if (entry.lent) continue;
    if (!soonest || entry.restUntil < *soonest) soonest = entry.restUntil;
  }
  return soonest;
}

PageFetcher& ProxyPool::Session(int proxy) {
  std::lock_guard lock(mutex_);
  Entry& entry = entries_[proxy];
  if (!entry.session) {
    if (!makeFetcher_) throw std::logic_error("the proxy pool has no way to make a fetcher");
    entry.session = makeFetcher_();
    if (!entry.session) throw std::runtime_error("The page fetcher could not be created");
    entry.session->SetProxyParams(entry.proxy.params);
  }
  return *entry.session;
}

ProxyPool::TimePoint ProxyPool::RestAfterBlock(int proxy, TimePoint now,
                                               std::optional<std::chrono::seconds> retryAfter) {
  std::lock_guard lock(mutex_);
  Entry& entry = entries_[proxy];
  ++entry.blocks;
  entry.failuresInRow = 0;
  entry.pace.Blocked(now);
  return Rest(entry, now, retryAfter);
}

std::optional<ProxyPool::TimePoint> ProxyPool::NoteFailure(int proxy, TimePoint now) {
  std::lock_guard lock(mutex_);
  Entry& entry = entries_[proxy];
  entry.failedSinceEngineAnswered = true;
  if (++entry.failuresInRow < kFailuresBeforeRest) return std::nullopt;
  entry.failuresInRow = 0;
  return Rest(entry, now, std::nullopt);
}

void ProxyPool::EngineAnswered(int proxy) {
  std::lock_guard lock(mutex_);
  entries_[proxy].failuresInRow = 0;
  for (Entry& entry : entries_) entry.failedSinceEngineAnswered = false;
  toldNoneWorks_ = false;
}

void ProxyPool::NoteAnswer(int proxy) {
  std::lock_guard lock(mutex_);
  entries_[proxy].failuresInRow = 0;
  entries_[proxy].backoff.EndRow();
  entries_[proxy].pace.AnswerCame();
}

bool ProxyPool::NoneReachesEngine() const {
  std::lock_guard lock(mutex_);
  return std::all_of(entries_.begin(), entries_.end(),
                     [](const Entry& entry) { return entry.failedSinceEngineAnswered; });
}

bool ProxyPool::FirstToTellNoneWorks() {
  std::lock_guard lock(mutex_);
  return !std::exchange(toldNoneWorks_, true);
}

void ProxyPool::PaceAutomatically(const PaceSettings& settings, std::chrono::milliseconds start,
                                  const LearnedPaces& learned) {
  std::lock_guard lock(mutex_);
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    Entry& entry = entries_[i];
    PaceController controller(start, settings.floor, settings.seed + std::uint32_t(i));
    if (const std::optional<std::chrono::milliseconds> earlier = learned(entry.proxy.name)) {
      controller.Resume(*earlier);
    }
    entry.pace = Pacer(controller);
  }
}

std::chrono::milliseconds ProxyPool::NextInterval(int proxy, std::chrono::milliseconds fixed) {
  std::lock_guard lock(mutex_);
  return entries_[proxy].pace.Interval(fixed);
}

std::optional<std::chrono::milliseconds> ProxyPool::LearnedPace(int proxy) const {
  std::lock_guard lock(mutex_);
  return entries_[proxy].pace.Learned();
}

std::optional<std::chrono::milliseconds> ProxyPool::PaceToAnnounce(int proxy) {
  std::lock_guard lock(mutex_);
  return entries_[proxy].pace.ToAnnounce();
}

Pacer ProxyPool::PaceOf(int proxy) const {
  std::lock_guard lock(mutex_);
  return entries_[proxy].pace;
}

void ProxyPool::RequestEnded(int proxy, TimePoint end) {
  std::lock_guard lock(mutex_);
  entries_[proxy].pace.RequestEnded(end);
}

void ProxyPool::CountRequest(int proxy) {
  std::lock_guard lock(mutex_);
  ++entries_[proxy].requests;
}

QStringList ProxyPool::Summary() const {
  std::lock_guard lock(mutex_);
  QStringList lines;
  for (const Entry& entry : entries_) {
    QString line = u"Прокси "_qs + entry.proxy.name + u": запросов "_qs +
                   QString::number(entry.requests) + u", блокировок "_qs +
                   QString::number(entry.blocks) + u", отдыхов "_qs + QString::number(entry.rests);
    if (const std::optional<std::chrono::milliseconds> pace = entry.pace.Learned()) {
      line += u", пауза "_qs + PaceText(*pace);
    }
    lines.append(line);
  }
  return lines;
}

ProxyPool::TimePoint ProxyPool::Rest(Entry& entry, TimePoint now,
                                     std::optional<std::chrono::seconds> retryAfter) {
  ++entry.rests;
  entry.restUntil = now + entry.backoff.Next(retryAfter);
  return entry.restUntil;
}

}  // namespace korvath
