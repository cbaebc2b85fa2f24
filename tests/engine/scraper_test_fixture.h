#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "engine/fake_job_window.h"
#include "engine/fake_web.h"
#include "engine/scraper.h"
#include "engine/test_pages.h"

namespace korvath::testing {

inline const QString kOrigin = u"https://engine.test"_qs;

inline QString SearchAddress(const QString& encodedQuery, const QString& rid) {
  return kOrigin + u"/search/direct?text="_qs + encodedQuery + u"&lr="_qs + rid;
}
// "труба" percent-encoded.
inline QString Truba() { return u"%D1%82%D1%80%D1%83%D0%B1%D0%B0"_qs; }
inline QString Card(int number) { return kOrigin + u"/card/"_qs + QString::number(number); }

// Waits for a condition that another thread brings about, running `step` (or sleeping) between
// looks; false when it never comes.
inline bool WaitFor(const std::function<bool()>& condition,
                    const std::function<void()>& step = {}) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    step ? step() : std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// One job over a pretend engine, a pretend window and a clock that never sleeps.
class ScraperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    web.clock = clock;
    window.SetQueries({u"труба"_qs});
    // Error pauses end at once unless a test wants to see one; a hold of the test's own stays.
    window.onStartResumeTimer = [this] { errorPauseBegun = true; };
    window.afterHandOff = [this] {
      if (releaseErrorPauses && errorPauseBegun.exchange(false)) {
        job->Hold().Release();
      }
    };
  }

  std::shared_ptr<TScraper> MakeJob() {
    ScraperConfig config;
    config.origin = kOrigin;
    config.programFolder = programFolder.isEmpty() ? folder.path() : programFolder;
    config.workingFolder = workingFolder.isEmpty() ? folder.path() : workingFolder;
    config.makeFetcher = web.Factory();
    config.clock = clock;
    config.blocks = blocks;
    config.giveUpAfter = giveUpAfter;
    config.workers = workers;
    config.journal = journal;
    config.resume = resume;
    job = std::make_shared<TScraper>(window, regions, config);
    return job;
  }

  void RunJob() { MakeJob()->Execute(); }

  // The first page of "труба" in region 213: two ads with contact cards.
  void ScriptTwoAds() {
    web.Answer(SearchAddress(Truba(), u"213"_qs),
               ResultsPage({{u"Первое"_qs, Card(1)}, {u"Второе"_qs, Card(2)}}));
    web.Answer(Card(1), CardPage(u"Один"_qs));
    web.Answer(Card(2), CardPage(u"Два"_qs));
  }

  QTemporaryDir folder;
  QString programFolder;
  QString workingFolder;
  FakeJobWindow window;
  FakeWeb web;
  std::shared_ptr<FakeJobClock> clock = std::make_shared<FakeJobClock>();
  QStringList regions{u"Москва=213"_qs};
  BlockPolicy blocks;
  int giveUpAfter = 0;
  int workers = 1;
  std::shared_ptr<JobJournal> journal;
  bool resume = false;
  std::atomic<bool> releaseErrorPauses = true;
  std::atomic<bool> errorPauseBegun = false;
  std::shared_ptr<TScraper> job;
};

}  // namespace korvath::testing
