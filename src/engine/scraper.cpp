#include "engine/scraper.h"

#include <QtGlobal>

#include <algorithm>

#include "engine/job_context.h"
#include "engine/job_flow.h"
#include "engine/job_plan.h"
#include "engine/journal_recorder.h"
#include "engine/pooled_job.h"
#include "engine/solo_job.h"
#include "platform/work_thread.h"
#include "results/progress.h"
#include "results/run_log.h"
#include "textutil/russian_plural.h"
#include "web/proxy_file.h"
#include "web/proxy_list.h"

namespace korvath {
namespace {

// The job's tasks: the journal's unfinished job, or a new one from the window's inputs.
JobPlan PlanJob(JobContext& context, const QStringList& regionEntries) {
  const ScraperConfig& config = context.Config();
  JobPlan plan;
  if (config.resume && config.journal) {
    plan = ResumedJobPlan(*config.journal, config.origin);
    const JournalSummary summary = config.journal->Summary();
    context.Log(u"Продолжаем прерванный сбор: выполнено задач "_qs +
                QString::number(summary.tasksDone) + u" из "_qs +
                QString::number(summary.tasksTotal) + u", собрано строк "_qs +
                QString::number(summary.rows));
  } else {
    QStringList queryLines;
    JobWindow& window = context.Window();
    context.HandOff([&] {
      const int lineCount = window.QueryLineCount();
      for (int line = 0; line < lineCount; ++line) queryLines.append(window.QueryLine(line));
    });
    plan = NewJobPlan(queryLines, regionEntries, config.origin);
    plan.inputs.retryCount = context.RetryCount();
    plan.inputs.capEnabled = window.CapEnabled();
    plan.inputs.capValue = window.CapValue();
  }
  context.NoteStatus([&](JobStatus& status) {
    status.queriesTotal = plan.QueryCount();
    status.tasksTotal = plan.TaskCount();
    status.tasksDone = plan.TasksDone();
  });
  return plan;
}

// A new job goes into the journal once its way out is known to work, so that a job refused for
// its proxies leaves nothing to resume.
void RecordNewJob(JobContext& context, const JobPlan& plan, JournalRecorder& journal) {
  if (context.Config().resume) return;
  QStringList firstAddresses;
  for (const TaskProgress& task : plan.progress) firstAddresses.append(task.nextAddress);
  if (const std::optional<QString> failure = journal.StartJob(plan.inputs, firstAddresses)) {
    context.Log(*failure);
  }
}

// How the job goes out: a pool of "proxies.txt" when it has usable lines, else one route.
struct JobWay {
  std::unique_ptr<ProxyPool> pool;
  int workers = 1;
  std::unique_ptr<DirectRoute> direct;
};

// Throws std::runtime_error when the proxies the user gave cannot be used.
JobWay ChooseWay(JobContext& context) {
  const ScraperConfig& config = context.Config();
  ProxyList proxies = ReadProxyList(config.programFolder);
  if (!proxies.encodingNotice.isEmpty()) context.Log(proxies.encodingNotice);
  for (const QString& problem : proxies.problems) context.Log(problem);
  // The front ends refuse such a list before the job; a list changed since must not slip past.
  if (!proxies.refusal.isEmpty()) throw std::runtime_error(proxies.refusal.toStdString());
  JobWay way;
  if (proxies.proxies.empty()) {
    if (config.workers > 1) {
      context.Log(u"Потоков задано "_qs + QString::number(config.workers) +
                  (proxies.present ? u", но в proxies.txt нет ни одного прокси"_qs
                                   : u", но файла proxies.txt нет"_qs) +
                  u": работаем в один поток"_qs);
    }
    way.direct = std::make_unique<DirectRoute>(context);
    return way;
  }
  const int usable = int(proxies.proxies.size());
  context.Log(u"Используем "_qs + QString::number(usable) + u" прокси из proxies.txt"_qs);
  if (ReadProxyFile(config.programFolder)) {
    context.Log(u"Прокси из proxy.txt не используется: есть список proxies.txt"_qs);
  }
  const int asked = std::clamp(config.workers, 1, kMaxWorkers);
  if (asked > usable) {
    context.Log(u"Потоков задано "_qs + QString::number(asked) + u", а прокси "_qs +
                QString::number(usable) + u": работаем в "_qs +
                CountOf(usable, {u"потоке", u"потоках", u"потоках"}) +
                u", у каждого свой прокси"_qs);
  }
  way.pool = std::make_unique<ProxyPool>(std::move(proxies.proxies), config.blocks,
                                         [&config] { return MakeJobFetcher(config); });
  if (config.pace.automatic) {
    way.pool->PaceAutomatically(config.pace, context.Interval(), [&context](const QString& name) {
      return context.LearnedPace(name);
    });
  }
  way.workers = std::min(asked, usable);
  return way;
}

// Walks the plan the chosen way; returns the closing lines of its addresses.
QStringList RunPlan(JobContext& context, JobPlan plan) {
  JobWay way = ChooseWay(context);
  JournalRecorder journal(context.Config().journal);
  RecordNewJob(context, plan, journal);
  if (way.direct) {
    SoloJob(context, plan, journal, *way.direct).Run();
    return way.direct->Summary();
  }
  PooledJob(context, std::move(plan), journal, *way.pool, way.workers).Run();
  return way.pool->Summary();
}

}  // namespace

TScraper::TScraper(JobWindow& window, QStringList RegionsList, ScraperConfig config)
    : window_(window), RegionsList(std::move(RegionsList)), config_(std::move(config)) {}

TScraper::~TScraper() = default;

void TScraper::Start(std::function<void()> onEnded) {
  // A detached thread that owns the job: nothing has to wait for it when the program ends, and
  // the job lives exactly as long as someone still refers to it.
  WorkThread([self = shared_from_this(), onEnded = std::move(onEnded)]() mutable {
    try {
      self->Execute();
    } catch (const std::exception& failure) {
      qWarning("The job ended on an error it could not show: %s", failure.what());
    }
    self->ended_ = true;
    // Let go of the job before saying that it has ended, so that nothing of it is still being
    // released when the user-interface thread hears the news.
    self.reset();
    if (onEnded) {
      onEnded();
    }
  }).Detach();
}

void TScraper::Execute() {
  JobContext context(window_, config_, hold_, table_, ending_, abandoned_);
  const QString& folder = config_.programFolder;
  try {
    QStringList proxySummary;
    try {
      context.HandOff([&] { UpdateRunState(window_, true, folder); });
      for (const QString& notice : config_.startNotices) context.Log(notice);
      proxySummary = RunPlan(context, PlanJob(context, RegionsList));
    } catch (const JobStopped&) {
      // A stop leads straight to the finish steps, without a save.
    } catch (const std::exception& failure) {
      // Failures before the loops (fetcher, proxy file, journal): the run ends through its finish
      // steps, so the window leaves its start state.
      ending_.notStarted = true;
      context.Log(QString::fromUtf8(failure.what()));
    }
    context.LogEnding(proxySummary);
    context.HandOff([&] {
      UpdateRunState(window_, false, folder);
      // From here on the job never touches the window again, so another may start.
      ended_ = true;
    });
  } catch (const JobAbandoned&) {
    // Cut off from its window: there is nothing left to show, and no one to show it to.
  }
}

void TScraper::RequestStop() { hold_.RequestStop(); }

void TScraper::Abandon() {
  abandoned_ = true;
  hold_.RequestStop();
  hold_.Release();
}

}  // namespace korvath
