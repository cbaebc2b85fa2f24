#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "engine/block_signals.h"
#include "engine/card_parse.h"
#include "engine/scraper.h"
#include "results/job_window.h"

namespace korvath {

// Leaves the loops for the finish steps once a stop has been requested.
struct JobStopped {};
// Unwinds a job that has been cut off from its window, without finish steps.
struct JobAbandoned {};
// An answer that was the engine's refusal, not a page or a card.
struct BlockedAnswer {
  Block block;
};
// Ends the loops at a block when the job is told to stop at one; the rows so far are saved.
struct JobBlocked {};
// Leaves the current query in the current region after too many failures in a row.
struct TaskGivenUp {};

// The fetcher of a run when the configuration names no other.
std::unique_ptr<PageFetcher> MakeDefaultFetcher();

// One run of the job body: the objects of the run and its working values.
class TScraper::Run {
 public:
  explicit Run(TScraper& job);
  ~Run();

  // The whole run, finish steps included.
  void Go();

 private:
  using Milliseconds = std::chrono::milliseconds;

  void StartFetcher();
  void ApplyProxyFile();
  void QueryLoop();
  void RegionStep(const QString& query, const QString& regionEntry);
  bool ResultsPageAttempt(int& downloads);
  void ResultsPageStep();
  void AdWalk();
  CardValues CardStep(const QString& cardLink, const QString& positionText, const QString& title,
                      Milliseconds interval);
  CardValues CardAttempt(const QString& cardLink);
  void Finish();

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
  void SaveResults();
  void ShowRegionsBar();
  void ShowStagesBar();
  void AppendRow(const ResultRow& row);
  void ShowStatus();
  void StampElapsed();
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
  std::unique_ptr<PageFetcher> fetcher_;
  QByteArray receiveBuffer_;
  std::optional<JobClock::TimePoint> lastRequestTick_;

  QString resulttype_;
  bool CursorHourGlass = false;
  int ProgressBarPosition = 0;
  int ProgressBarMax = 0;
  int StagesProgressBarPosition = 0;
  int StagesProgressBarMax = 0;

  QString query_;
  QString regionName_;
  QString currentAddress_;
  QString savedAddress_;
  QString pageText_;
  int positionCounter_ = 0;
  int capCounter_ = 0;

  JobClock::TimePoint started_;
  JobStatus status_;
  BlockBackoff backoff_;
  Milliseconds blockWaited_{0};
  // Failed attempts in a row on the current results page or card.
  int failuresInRow_ = 0;
};

}  // namespace korvath
