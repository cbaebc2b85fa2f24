#include <QDateTime>

#include <algorithm>
#include <stdexcept>
#include <thread>
#include <vector>

#include "engine/scraper_crew.h"
#include "engine/scraper_run.h"
#include "results/handle_result.h"
#include "results/progress.h"
#include "web/proxy_file.h"

namespace korvath {
namespace {

// When the user-interface clock will read what the job clock reads at `moment`.
QDateTime WallTime(JobClock::TimePoint moment, JobClock::TimePoint now) {
  return QDateTime::currentDateTime().addMSecs(
      std::chrono::duration_cast<std::chrono::milliseconds>(moment - now).count());
}

}  // namespace

void TScraper::Run::UsePool(std::vector<ListedProxy> proxies) {
  const int usable = int(proxies.size());
  Log(u"Используем "_qs + QString::number(usable) + u" прокси из proxies.txt"_qs);
  if (ReadProxyFile(job_.config_.programFolder)) {
    Log(u"Прокси из proxy.txt не используется: есть список proxies.txt"_qs);
  }
  const int asked = std::clamp(job_.config_.workers, 1, kMaxWorkers);
  if (asked > usable) {
    Log(u"Потоков задано "_qs + QString::number(asked) + u", а прокси "_qs +
        QString::number(usable) + u": работаем в "_qs + QString::number(usable) +
        u" потоках, у каждого свой прокси"_qs);
  }
  crew_.workers = std::min(asked, usable);
  crew_.pool = std::make_unique<ProxyPool>(std::move(proxies), job_.config_.blocks);
}

// The lead's part with a proxy pool: the workers take the tasks, the lead waits for them and
// then saves as the job does at its end.
void TScraper::Run::CrewLoop() {
  const int taskCount = crew_.plan.TaskCount();
  crew_.finished.resize(taskCount);
  crew_.heldRows.resize(taskCount);
  for (int task = 0; task < taskCount; ++task) {
    if (!crew_.plan.progress[task].done) continue;
    crew_.finished[task] = true;
    crew_.heldRows[task] = std::exchange(crew_.plan.journalRows[task], {});
  }
  CommitFinishedTasks(false);
  ShowCrewBars();

  std::vector<std::thread> workers;
  try {
    for (int worker = 1; worker <= crew_.workers; ++worker) {
      workers.emplace_back([this, worker] { Run(job_, crew_, worker).WorkTasks(); });
    }
  } catch (const std::exception&) {
    job_.hold_.RequestStop();
    for (std::thread& started : workers) started.join();
    throw;
  }
  for (std::thread& worker : workers) worker.join();
  if (job_.abandoned_) throw JobAbandoned{};

  // Whatever was collected is shown, even rows of tasks a stop left unfinished.
  CommitFinishedTasks(true);
  try {
    if (crew_.endedOnBlock) {
      job_.ending_.endedOnBlock = true;
      AskSave(QStringLiteral("savecurrent"));
      SaveResults();
    } else if (!job_.hold_.StopRequested() &&
               std::all_of(crew_.finished.begin(), crew_.finished.end(),
                           [](bool finished) { return finished; })) {
      if (SaveResults()) MarkJournalFinished();
    }
  } catch (const std::exception& failure) {
    Log(QString::fromUtf8(failure.what()));
  }
  HandOff([this] {
    UpdateProgressBar(window_, 0, 0);
    UpdateStagesProgressBar(window_, 0, 0);
  });
}

// A worker's life: one task after another until none is left or the job stops.
void TScraper::Run::WorkTasks() {
  try {
    try {
      for (;;) {
        int task = -1;
        {
          std::lock_guard lock(crew_.mutex);
          while (crew_.nextTask < crew_.plan.TaskCount() && crew_.finished[crew_.nextTask]) {
            ++crew_.nextTask;
          }
          if (crew_.nextTask == crew_.plan.TaskCount()) break;
          task = crew_.nextTask++;
        }
        StopTest();
        TaskStep(task);
        FinishTask(task);
      }
    } catch (const JobStopped&) {
      // Every worker leaves on a stop; the lead does the rest.
    } catch (const JobBlocked&) {
      {
        std::lock_guard lock(crew_.mutex);
        crew_.endedOnBlock = true;
      }
      job_.hold_.RequestStop();
    } catch (const std::exception& failure) {
      // A worker that cannot go on leaves its task unfinished: the job stops where a resume can
      // take it up.
      job_.hold_.RequestStop();
      Log(QString::fromUtf8(failure.what()));
    }
  } catch (const JobAbandoned&) {
    // The lead finds the job abandoned once every worker has left.
  }
  if (!taskRows_.isEmpty() && task_ >= 0) {
    std::lock_guard lock(crew_.mutex);
    crew_.heldRows[task_] = std::move(taskRows_);
  }
  if (proxy_) {
    if (lastRequestTick_) crew_.pool->SetLastRequest(*proxy_, *lastRequestTick_);
    crew_.pool->Return(*proxy_);
  }
}

// Takes the proxy used longest ago; when every proxy rests or is in use, waits for the soonest.
void TScraper::Run::TakeProxy() {
  bool told = false;
  for (;;) {
    StopTest();
    const JobClock::TimePoint now = clock_->Now();
    if (const std::optional<int> proxy = crew_.pool->Borrow(now)) {
      proxy_ = *proxy;
      break;
    }
    const std::optional<JobClock::TimePoint> soonest = crew_.pool->SoonestReturn();
    const JobClock::TimePoint until =
        soonest && *soonest > now ? *soonest : now + std::chrono::milliseconds(100);
    if (!told && soonest && *soonest > now) {
      told = true;
      const QDateTime at = WallTime(*soonest, now);
      Log(u"Все свободные прокси отдыхают, ближайший освободится в "_qs +
          at.toString(u"HH:mm:ss"_qs));
      ChangeStatus([&](JobStatus& status) { status.blockWaitUntil = at; });
    }
    const bool stopped = clock_->WaitUntil(job_.hold_, until);
    {
      std::lock_guard lock(crew_.mutex);
      crew_.blockWaited += std::chrono::duration_cast<Milliseconds>(clock_->Now() - now);
    }
    if (stopped) throw JobStopped{};
  }
  if (told) ChangeStatus([](JobStatus& status) { status.blockWaitUntil = QDateTime(); });
  // Each proxy gets a fetcher of its own: cookies and connections never cross addresses.
  fetcher_ = MakeFetcher();
  fetcher_->SetProxyParams(crew_.pool->Proxy(*proxy_).params);
  receiveBuffer_.clear();
  lastRequestTick_ = crew_.pool->LastRequest(*proxy_);
}

// Gives the proxy back to rest until `until`; the next request takes another. The fetcher stays
// until then, so that the failed attempt can still be looked at.
void TScraper::Run::LetProxyRest(JobClock::TimePoint until, const QString& what) {
  const JobClock::TimePoint now = clock_->Now();
  const ListedProxy& proxy = crew_.pool->Proxy(*proxy_);
  Log(what + u". Прокси "_qs + proxy.name + u" отдыхает до "_qs +
      WallTime(until, now).toString(u"HH:mm:ss"_qs) + u", продолжаем через другой"_qs);
  if (lastRequestTick_) crew_.pool->SetLastRequest(*proxy_, *lastRequestTick_);
  crew_.pool->Return(*proxy_);
  proxy_.reset();
}

// Takes a proxy when the worker has none, and keeps the interval since the proxy's last request:
// the engine counts requests per address.
void TScraper::Run::PaceProxy() {
  if (!proxy_) TakeProxy();
  if (lastRequestTick_ && clock_->WaitUntil(job_.hold_, *lastRequestTick_ + ReadInterval())) {
    throw JobStopped{};
  }
}

// Whether a failed request never reached the engine: no connection, refused, timed out, or the
// proxy's own refusal. Too many in a row rest the proxy.
bool TScraper::Run::NoteProxyFailure(const QString& message) {
  const int code = fetcher_->ResponseCode();
  if (code != 0 && code != 407) return false;
  Log(FailureLine(u"ERROR_"_qs + message));
  if (const std::optional<JobClock::TimePoint> until =
          crew_.pool->NoteFailure(*proxy_, clock_->Now())) {
    LetProxyRest(*until, QString::number(ProxyPool::kFailuresBeforeRest) +
                             u" ошибки подряд через один прокси"_qs);
  }
  return true;
}

void TScraper::Run::FinishTask(int task) {
  std::lock_guard lock(crew_.mutex);
  crew_.finished[task] = true;
  crew_.heldRows[task] = std::exchange(taskRows_, {});
  ++crew_.status.tasksDone;
  task_ = -1;
  CommitFinishedTasks(false);
  ShowCrewBars();
}

// Puts the rows of finished tasks into the table in task order, from the first task not yet in;
// a task's rows wait for every earlier task's. Each query whose tasks are all in is saved to the
// working file, as the one-worker job saves after each query. `closing` puts in everything that
// is held, finished or not, without saving.
void TScraper::Run::CommitFinishedTasks(bool closing) {
  std::lock_guard lock(crew_.mutex);
  const JobPlan& plan = crew_.plan;
  bool queryCompleted = false;
  while (crew_.committed < plan.TaskCount() && (closing || crew_.finished[crew_.committed])) {
    const int task = crew_.committed++;
    AppendRows(std::exchange(crew_.heldRows[task], {}));
    if (!plan.LastOfQuery(task) || !crew_.finished[task]) continue;
    ++crew_.status.queriesDone;
    queryCompleted = true;
    // A resumed job saves once for the queries it finds done before any worker starts.
    if (worker_ != 0 && !closing) AskSave(QStringLiteral("savecurrent"));
  }
  if (queryCompleted && worker_ == 0 && !closing) AskSave(QStringLiteral("savecurrent"));
}

// The regions bar counts finished tasks of all tasks; the queries bar, queries whose tasks are
// all in the table.
void TScraper::Run::ShowCrewBars() {
  JobStatus status;
  {
    std::lock_guard lock(crew_.mutex);
    status = crew_.status;
  }
  HandOff([&] {
    UpdateProgressBar(window_, status.tasksTotal, status.tasksDone);
    UpdateStagesProgressBar(window_, status.queriesTotal, status.queriesDone);
  });
  ShowStatus();
}

}  // namespace korvath
