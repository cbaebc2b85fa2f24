#include "engine/direct_route.h"

#include <stdexcept>

#include "engine/scraper.h"
#include "web/tpage_fetcher.h"

namespace korvath {

std::unique_ptr<PageFetcher> MakeJobFetcher(const ScraperConfig& config) {
  std::unique_ptr<PageFetcher> fetcher =
      config.makeFetcher ? config.makeFetcher() : std::make_unique<TPageFetcher>(FetcherOptions{});
  if (!fetcher) throw std::runtime_error("The page fetcher could not be created");
  return fetcher;
}

}  // namespace korvath
