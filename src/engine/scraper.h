#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

#include "engine/block_backoff.h"
#include "engine/engine_origin.h"
#include "engine/job_clock.h"
#include "engine/job_hold.h"
#include "engine/pace_controller.h"
#include "journal/job_journal.h"
#include "journal/pace_memory.h"
#include "results/handle_result.h"
#include "results/result_table.h"
#include "web/page_fetcher.h"

namespace korvath {

class JobWindow;

// What a job needs besides the window: where it talks to and where its files go.
struct ScraperConfig {
  // Scheme and host of the search engine, without a trailing "/".
  QString origin = kDefaultEngineOrigin.toString();
  // Where "proxy.txt", the CSV files and the log file live.
  QString programFolder;
  // Whether the results file gets its workbook beside it.
  bool writeWorkbook = true;
  // Where "ads_list.html" and "ad.html" are written; empty means the process's working folder.
  QString workingFolder;
  // Makes the run's fetcher; empty means a TPageFetcher with its default options.
  std::function<std::unique_ptr<PageFetcher>()> makeFetcher;
  // Empty means SteadyJobClock().
  std::shared_ptr<JobClock> clock;
  // How the engine's captchas and "too many requests" are waited out.
  BlockPolicy blocks;
  // After this many failed attempts in a row on one results page or card, the job leaves that
  // query in that region and goes on with the next; 0 means never (the page is asked for until it
  // comes or the job is stopped).
  int giveUpAfter = 0;
  // Workers that walk the job's tasks at once, each through a proxy of its own from "proxies.txt";
  // the job lowers it to the usable proxies (one worker when there are none).
  int workers = 1;
  // Where the job records each finished results page, so that an interrupted job can go on; none
  // means it keeps no journal.
  std::shared_ptr<JobJournal> journal;
  // Go on with the journal's unfinished job (its inputs, tasks and rows) instead of a new one.
  bool resume = false;
  // How long a worker among several waits after a failure; the window's own error pause (the
  // resume timer) is job control's and lasts as long.
  std::chrono::milliseconds errorPause = kErrorPauseLength;
  // A fixed pause between requests (the window's interval), or one learned per address.
  PaceSettings pace;
  // The paces addresses settled at in earlier jobs, kept for the next; none means each job
  // learns from nothing.
  std::shared_ptr<PaceMemory> paceMemory;
  // Lines the job's log says first, after its start.
  QStringList startNotices;
};

// The most workers a job runs at once.
inline constexpr int kMaxWorkers = 64;

// How a job that went through its finish steps ended, besides a stop.
struct JobEnding {
  // It could not begin its work: its proxy settings or its fetcher could not be used.
  bool notStarted = false;
  // It met a block and was told to stop at one.
  bool endedOnBlock = false;
  // No proxy reached the engine for too many attempts in a row (--give-up-after).
  bool engineUnreachable = false;
  // The (query, region) pairs it left after too many failures, as "query" / "region" texts.
  QStringList givenUp;
  // The results file written by the final save; empty when there was none.
  QString resultsFile;
  // The final save failed (the results file or its workbook).
  bool resultsSaveFailed = false;
};

// The scrape job: walks every query in every region, fetches every ad's contact card and collects
// one row per ad. It runs once, on a thread of its own, and reaches its front end only through the
// window's hand-off. Shared ownership keeps it alive for as long as its thread or job control
// still refers to it.
class TScraper : public std::enable_shared_from_this<TScraper> {
 public:
  // `RegionsList` holds region entries ("name=rid"); the window must outlive the job or call
  // Abandon first.
  TScraper(JobWindow& window, QStringList RegionsList, ScraperConfig config);
  ~TScraper();

  TScraper(const TScraper&) = delete;
  TScraper& operator=(const TScraper&) = delete;

  // Runs Execute on a thread of its own that keeps this job alive until it ends; `onEnded` is
  // called on that thread as its very last act, after the thread has let go of the job.
  void Start(std::function<void()> onEnded);
  // The job body. Start runs it; tests may run it on their own thread.
  void Execute();

  JobHold& Hold() { return hold_; }
  void RequestStop();
  // Cuts the job off from its window: no later hand-off touches the window, and the job unwinds
  // without its finish steps. Call on the user-interface thread.
  void Abandon();
  // The job will not touch its window again: its finish state has been shown, or its thread has
  // ended. Another job may start from here on.
  bool Ended() const { return ended_.load(); }

  // Valid once the job has ended.
  const JobEnding& Ending() const { return ending_; }

  // Appended to on the user-interface thread only: read it there, or once the job has ended.
  const ResultTable& Table() const { return table_; }

 private:
  JobWindow& window_;
  const QStringList RegionsList;
  const ScraperConfig config_;
  JobHold hold_;
  ResultTable table_;
  JobEnding ending_;
  std::atomic<bool> abandoned_ = false;
  std::atomic<bool> ended_ = false;
};

}  // namespace korvath
