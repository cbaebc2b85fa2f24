#pragma once

#include <QStringList>

#include <memory>

#include "engine/block_backoff.h"
#include "engine/pacer.h"
#include "engine/route.h"
#include "engine/scraper.h"

namespace korvath {

class JobContext;

// The job's own address, or the one proxy of "proxy.txt": one fetcher for the whole job, paced
// from the end of the last successful request, and blocks waited out on the job's hold.
class DirectRoute final : public Route {
 public:
  // Throws std::runtime_error when "proxy.txt" names a proxy that cannot be used.
  explicit DirectRoute(JobContext& context);
  ~DirectRoute() override;

  void Pace(Milliseconds interval) override;
  void Fetch(const QString& address, QByteArray& buffer) override;
  PageFetcher& Fetcher() override { return *fetcher_; }
  void MeetBlock(const Block& block, const QString& what) override;
  void ReportError(const QString& message) override;
  void AnswerCame() override;

  // With an automatic pace, the closing line of the address: its pace, requests and blocks.
  QStringList Summary();

 private:
  void ApplyProxyFile();
  void AnnouncePace();

  JobContext& context_;
  std::unique_ptr<PageFetcher> fetcher_;
  // The engine's host and port, or the proxy's, as the pace lines name it.
  QString address_;
  Pacer pacer_;
  BlockBackoff backoff_;
};

// The fetcher of a job: the configuration's, or a TPageFetcher with its default options.
std::unique_ptr<PageFetcher> MakeJobFetcher(const ScraperConfig& config);

}  // namespace korvath
