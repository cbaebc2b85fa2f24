#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/job_clock.h"
#include "web/page_fetcher.h"

namespace korvath::testing {

// A clock that moves only when told to: waits jump to their deadline and are recorded.
class FakeJobClock final : public JobClock {
 public:
  TimePoint Now() const override;
  bool WaitUntil(JobHold& hold, TimePoint deadline) override;

  void Advance(std::chrono::milliseconds step);
  std::vector<std::chrono::milliseconds> Waits() const;
  // Called at the start of every wait, before the time moves.
  std::function<void()> onWait;

 private:
  mutable std::mutex mutex_;
  TimePoint now_ = TimePoint(std::chrono::hours(1));
  std::vector<std::chrono::milliseconds> waits_;
};

struct ScriptedAnswer {
  QByteArray body;
  int status = 200;
  // Non-empty: the request fails with this message.
  std::string failure;
  // What the answers on the way said; the address asked for is put in front of its paths.
  AnswerTrace trace;
};

inline ScriptedAnswer Body(QByteArray body) {
  ScriptedAnswer answer;
  answer.body = std::move(body);
  return answer;
}

inline ScriptedAnswer Failure(std::string message, int status = 0) {
  ScriptedAnswer answer;
  answer.status = status;
  answer.failure = std::move(message);
  return answer;
}

// A failure at the proxy, before anything came from the engine.
inline ScriptedAnswer ProxyFailure(std::string message, int status = 0) {
  ScriptedAnswer answer = Failure(std::move(message), status);
  answer.trace.proxyFault = true;
  return answer;
}

// The answers of a pretend search engine and a record of what the job asked of it.
class FakeWeb {
 public:
  // Answers for `address`, given in turn; the last one is repeated.
  void Script(const QString& address, std::vector<ScriptedAnswer> answers);
  void Answer(const QString& address, const QByteArray& body);

  QStringList Requests() const;
  int Count(const QString& what) const;

  std::function<std::unique_ptr<PageFetcher>()> Factory();

  // Asked first for every request through a proxy ("host" of the proxy, address asked for); an
  // answer it gives replaces the scripted one. Also sees when the request began.
  std::function<std::optional<ScriptedAnswer>(const QString& proxy, const QString& address,
                                              JobClock::TimePoint began)>
      throughProxy;
  // Called at the end of every request, before the job sees its outcome.
  std::function<void(int requestNumber)> onGet;
  // Every request takes this long by the clock.
  std::shared_ptr<FakeJobClock> clock;
  std::chrono::milliseconds requestDuration{250};
  // Fetchers that still exist; a job has let go of its fetcher when its run is over.
  std::atomic<int> liveFetchers = 0;

 private:
  friend class FakePageFetcher;

  mutable std::mutex mutex_;
  std::map<QString, std::vector<ScriptedAnswer>> answers_;
  std::map<QString, size_t> served_;
  QStringList requests_;
  std::map<QString, int> counts_;
};

}  // namespace korvath::testing
