#include "engine/pooled_route.h"

#include <QDateTime>

#include "engine/job_context.h"
#include "engine/job_flow.h"
#include "results/handle_result.h"
#include "textutil/russian_plural.h"

namespace korvath {
namespace {

// When the user-interface clock will read what the job clock reads at `moment`.
QDateTime WallTime(JobClock::TimePoint moment, JobClock::TimePoint now) {
  return QDateTime::currentDateTime().addMSecs(
      std::chrono::duration_cast<std::chrono::milliseconds>(moment - now).count());
}

// With every proxy lent, a waiting worker looks again at least this often; a proxy given back
// wakes it at once.
constexpr std::chrono::seconds kLentRecheck{1};

}  // namespace

PooledRoute::PooledRoute(JobContext& context, ProxyPool& pool, int worker)
    : context_(context), pool_(pool), worker_(worker) {}

PooledRoute::~PooledRoute() {
  if (proxy_) GiveBack();
}

void PooledRoute::Pace(Milliseconds /*interval*/) { context_.StopTest(); }

void PooledRoute::Fetch(const QString& address, QByteArray& buffer) {
  JobClock& clock = context_.Clock();
  JobHold& hold = context_.Hold();
  for (;;) {
    if (!proxy_) Borrow();
    const int proxy = *proxy_;
    fetcher_ = &pool_.Session(proxy);
    const Milliseconds interval = pool_.NextInterval(proxy, context_.Interval());
    if (pool_.PaceOf(proxy).WaitTurn(clock, hold, interval)) throw JobStopped{};
    context_.StopTest();
    context_.NoteStatus([](JobStatus& status) { ++status.requests; });
    pool_.CountRequest(proxy);
    // Through a proxy every request gets a connection, and for HTTPS a tunnel, of its own.
    fetcher_->Disconnect();
    try {
      const JobHold::StopCall breakOff(hold, [fetcher = fetcher_] { fetcher->Abort(); });
      fetcher_->Get(address, buffer);
      pool_.RequestEnded(proxy, clock.Now());
      pool_.EngineAnswered(proxy);
      context_.StopTest();
      return;
    } catch (const std::exception& failure) {
      pool_.RequestEnded(proxy, clock.Now());
      if (hold.StopRequested()) throw JobStopped{};
      const AnswerTrace& trace = fetcher_->LastAnswer();
      if (!trace.proxyFault) {
        pool_.EngineAnswered(proxy);
        if (const std::optional<Block> block = BlockOfAnswer(trace, fetcher_->ResponseCode())) {
          throw BlockedAnswer{*block};
        }
        throw;
      }
      // The proxy's failure: no attempt of the page's, no error pause; the request goes out
      // again, through another proxy once this one rests.
      const QString message = QString::fromUtf8(failure.what());
      context_.Log(FailureLine(u"ERROR_"_qs + message), worker_);
      if (const std::optional<JobClock::TimePoint> until = pool_.NoteFailure(proxy, clock.Now())) {
        Rest(*until, CountOf(ProxyPool::kFailuresBeforeRest, {u"ошибка", u"ошибки", u"ошибок"}) +
                         u" подряд через один прокси"_qs);
      }
      if (pool_.NoneReachesEngine()) {
        if (pool_.FirstToTellNoneWorks()) {
          context_.Log(
              u"Ни через один прокси из proxies.txt не удаётся связаться с поисковой "
              u"системой; продолжаем попытки"_qs,
              worker_);
        }
        throw NoProxyWorks{message};
      }
    }
  }
}

// Takes the proxy used longest ago; when every proxy rests or is lent, waits for the soonest,
// or for one to be given back.
void PooledRoute::Borrow() {
  JobClock& clock = context_.Clock();
  JobHold& hold = context_.Hold();
  bool told = false;
  for (;;) {
    context_.StopTest();
    const std::uint64_t seen = hold.Signals();
    const JobClock::TimePoint now = clock.Now();
    if (const std::optional<int> proxy = pool_.Borrow(now)) {
      proxy_ = *proxy;
      break;
    }
    const std::optional<JobClock::TimePoint> soonest = pool_.SoonestReturn();
    const bool resting = soonest && *soonest > now;
    if (!told && resting) {
      told = true;
      const QDateTime at = WallTime(*soonest, now);
      context_.Log(
          u"Свободных прокси нет: все заняты другими потоками или отдыхают; ближайший "
          u"освободится в "_qs +
              at.toString(u"HH:mm:ss"_qs),
          worker_);
      context_.ChangeStatus([&](JobStatus& status) { status.blockWaitUntil = at; });
    }
    bool stopped = false;
    {
      const JobContext::Waiting waiting(context_);
      stopped = clock.WaitForSignal(hold, resting ? *soonest : now + kLentRecheck, seen);
    }
    if (stopped) throw JobStopped{};
  }
  if (told) context_.ChangeStatus([](JobStatus& status) { status.blockWaitUntil = QDateTime(); });
}

void PooledRoute::GiveBack() {
  pool_.Return(*proxy_);
  proxy_.reset();
  // A worker waiting for a proxy may take this one now.
  context_.Hold().Signal();
}

// Gives the proxy back to rest until `until`; the next request takes another.
void PooledRoute::Rest(JobClock::TimePoint until, const QString& why) {
  const JobClock::TimePoint now = context_.Clock().Now();
  context_.Log(why + u". Прокси "_qs + pool_.Proxy(*proxy_).name + u" отдыхает до "_qs +
                   WallTime(until, now).toString(u"HH:mm:ss"_qs) + u", продолжаем через другой"_qs,
               worker_);
  GiveBack();
}

void PooledRoute::MeetBlock(const Block& block, const QString& what) {
  const JobClock::TimePoint until =
      pool_.RestAfterBlock(*proxy_, context_.Clock().Now(), block.retryAfter);
  AnnouncePace(*proxy_);
  Rest(until, what);
}

void PooledRoute::ReportError(const QString& message) {
  context_.ReportWorkerError(message, worker_);
}

void PooledRoute::AnswerCame() {
  if (!proxy_) return;
  pool_.NoteAnswer(*proxy_);
  AnnouncePace(*proxy_);
}

void PooledRoute::AnnouncePace(int proxy) {
  const std::optional<Milliseconds> learned = pool_.LearnedPace(proxy);
  if (learned) {
    context_.ShowPace(pool_.Proxy(proxy).name, learned, pool_.PaceToAnnounce(proxy), worker_);
  }
}

}  // namespace korvath
