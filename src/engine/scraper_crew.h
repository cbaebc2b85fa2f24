#pragma once

#include <QList>

#include <chrono>
#include <memory>
#include <mutex>

#include "engine/job_plan.h"
#include "engine/proxy_pool.h"
#include "engine/scraper.h"
#include "results/job_status.h"

namespace korvath {

// What the workers of one job share. The job's lead owns it and outlives every worker.
struct TScraper::Crew {
  JobPlan plan;
  // The proxies of "proxies.txt"; none when the job goes out through "proxy.txt" or directly.
  std::unique_ptr<ProxyPool> pool;
  int workers = 1;
  // When the job began, by the job clock.
  JobClock::TimePoint started;

  // Guards everything below; a worker may hand work to the user-interface thread while holding
  // it, since that thread never takes it.
  std::recursive_mutex mutex;
  JobStatus status;
  // Waited out because of blocks, by every worker together.
  std::chrono::milliseconds blockWaited{0};
  // The next task no worker has taken yet.
  int nextTask = 0;
  // Per task: its rows are all collected (or it was given up), and the rows waiting until every
  // earlier task's rows are in the table.
  QList<bool> finished;
  QList<QList<ResultRow>> heldRows;
  // Tasks whose rows are in the table, from the first on.
  int committed = 0;
  // A journal write failed once: the journal keeps the last consistent state it had.
  bool journalBroken = false;
  // The job met a block and was told to stop at one.
  bool endedOnBlock = false;

  bool Pooled() const { return pool != nullptr; }
  // Log lines of a task say which worker wrote them when several run at once.
  bool Numbered() const { return workers > 1; }
};

}  // namespace korvath
