#include "engine/scraper.h"

#include <QtGlobal>

#include <thread>

#include "engine/scraper_run.h"

namespace korvath {

TScraper::TScraper(JobWindow& window, QStringList RegionsList, ScraperConfig config)
    : window_(window), RegionsList(std::move(RegionsList)), config_(std::move(config)) {}

TScraper::~TScraper() = default;

void TScraper::Start(std::function<void()> onEnded) {
  // A detached thread that owns the job: nothing has to wait for it when the program ends, and
  // the job lives exactly as long as someone still refers to it.
  std::thread([self = shared_from_this(), onEnded = std::move(onEnded)]() mutable {
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
  }).detach();
}

void TScraper::Execute() { Run(*this).Go(); }

void TScraper::RequestStop() { hold_.RequestStop(); }

void TScraper::Abandon() {
  abandoned_ = true;
  hold_.RequestStop();
  hold_.Release();
}

}  // namespace korvath
