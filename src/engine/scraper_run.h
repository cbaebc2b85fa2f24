#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "engine/block_signals.h"
#include "engine/card_parse.h"
#include "engine/scraper.h"
#include "results/job_window.h"
#include "web/proxy_list.h"

namespace korvath {

// Leaves the loops for the finish steps once a stop has been requested.
struct JobStopped {};
// Unwinds a job that has been cut off from its window, without finish steps.
struct JobAbandoned {};
// An answer that was the engine's refusal, not a page or a card.
struct BlockedAnswer {
  Block block;
};
// A request through a pool's proxy that never reached the engine: the proxy's failure, not the
// page's, so it uses up no attempt and holds no one; the next attempt may go through another.
struct ProxyFailed {};
// Ends the loops at a block when the job is told to stop at one; the rows so far are saved.
struct JobBlocked {};
// Leaves the current query in the current region after too many failures in a row.
struct TaskGivenUp {};

// The fetcher of a run when the configuration names no other.
std::unique_ptr<PageFetcher> MakeDefaultFetcher();

// One run of the job body: the objects of the run and its working values. The lead run does the
// whole job alone, or with a proxy pool starts workers, each a run of its own that takes tasks.
class TScraper::Run {
 public:
  explicit Run(TScraper& job);
  // A worker of `crew`, numbered from 1.
  Run(TScraper& job, Crew& crew, int worker);
  ~Run();

  // The whole run, finish steps included.
  void Go();

 private:
  using Milliseconds = std::chrono::milliseconds;

  std::unique_ptr<PageFetcher> MakeFetcher() const;
  void StartFetcher();
  void ApplyProxyFile();
  void PlanJob();
  void UsePool(std::vector<ListedProxy> proxies);
  void QueryLoop();
  void TaskStep(int task);
  void ResultsPageStep();
  bool ResultsPageAttempt(int& downloads);
  void AdWalk();
  CardValues CardStep(const QString& cardLink, const QString& positionText, const QString& title,
                      Milliseconds interval);
  CardValues CardAttempt(const QString& cardLink);
  void Finish();

  // With several workers (scraper_crew.cpp).
  void CrewLoop();
  void WorkTasks();
  void TakeProxy();
  void LetProxyRest(JobClock::TimePoint until, const QString& what);
  void PaceProxy();
  bool NoteProxyFailure(const QString& message);
  void FinishTask(int task);
  void CommitFinishedTasks(bool closing);
  void ShowCrewBars();

  void CommitPage(bool done);
  void MarkJournalFinished();
  void ShowJournalRows(int task);
  void Request(const QString& address);
  void CheckPage(const QString& text, AnswerKind kind);
  void WaitOutBlock(const Block& block, const QString& address);
  void CountFailure(const QString& message);
  void AnswerCame();
  void LogEnding();
  void WriteRaw(const QString& fileName) const;
  void Pace(Milliseconds interval);
  void StopTest();
  void HoldPoint();

  void HandOff(const std::function<void()>& routine);
  void Log(const QString& message);
  void ReportError(const QString& message);
  void AskSave(const QString& type);
  bool SaveResults();
  void ShowRegionsBar();
  void ShowStagesBar();
  void AppendRow(const ResultRow& row);
  void AppendRows(QList<ResultRow> rows);
  void ChangeStatus(const std::function<void(JobStatus&)>& change);
  void ShowStatus();
  Milliseconds ReadInterval();
  template <typename T>
  T Read(T (JobWindow::*setting)() const) {
    T value{};
    HandOff([&] { value = (window_.*setting)(); });
    return value;
  }
  // A numeric setting, published by the front end for the job thread to read directly.
  template <typename T>
  T ReadPublished(T (JobWindow::*setting)() const) {
    if (job_.abandoned_) {
      throw JobAbandoned{};
    }
    return (window_.*setting)();
  }
  bool CapReached(int seen, bool inclusive);

  TScraper& job_;
  JobWindow& window_;
  std::shared_ptr<JobClock> clock_;
  // The lead's own crew; a worker's points to its lead's.
  std::unique_ptr<Crew> ownCrew_;
  Crew& crew_;
  // 0 for the lead.
  const int worker_ = 0;
  std::unique_ptr<PageFetcher> fetcher_;
  QByteArray receiveBuffer_;
  std::optional<JobClock::TimePoint> lastRequestTick_;
  // The pool's proxy this worker goes out through; none between two proxies.
  std::optional<int> proxy_;

  QString resulttype_;
  bool CursorHourGlass = false;
  int ProgressBarPosition = 0;
  int ProgressBarMax = 0;
  int StagesProgressBarPosition = 0;
  int StagesProgressBarMax = 0;

  int task_ = -1;
  QString query_;
  QString regionName_;
  QString currentAddress_;
  QString savedAddress_;
  QString pageText_;
  int positionCounter_ = 0;
  int capCounter_ = 0;
  // The current results page's rows, for the journal; and with a crew, the current task's rows,
  // held until their turn.
  QList<ResultRow> pageRows_;
  QList<ResultRow> taskRows_;

  BlockBackoff backoff_;
  // Failed attempts in a row on the current results page or card.
  int failuresInRow_ = 0;
};

}  // namespace korvath
