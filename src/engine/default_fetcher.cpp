#include "engine/scraper_run.h"
#include "web/tpage_fetcher.h"

namespace korvath {

std::unique_ptr<PageFetcher> MakeDefaultFetcher() {
  return std::make_unique<TPageFetcher>(FetcherOptions{});
}

}  // namespace korvath
