#include "engine/scraper_test_fixture.h"
#include "platform/work_thread.h"

namespace korvath::testing {
namespace {

// The run these tests interrupt: one page, card 1 failing once, card 2 answering.
// Requests in order: page (1), card 1 failing (2), card 1 (3), card 2 (4).
class ScraperInterrupted : public ScraperTest {
 protected:
  void SetUp() override {
    ScraperTest::SetUp();
    ScriptTwoAds();
    web.Script(Card(1), {Failure("boom"), Body(CardPage(u"Один"_qs))});
  }

  // Calls `act` once, when a log message starting with `prefix` is shown.
  void OnMessage(const QString& prefix, std::function<void()> act) {
    window.onLogEntry = [this, prefix, act, done = false](const QString& message) mutable {
      if (!done && message.startsWith(prefix)) {
        done = true;
        act();
      }
    };
  }
};

struct StopCase {
  const char* name;
  QString message;        // stop while this message is shown, or
  int request = 0;        // while this request is in flight, or
  bool inPacing = false;  // in the first pacing wait
  int expectedRequests;
};

class ScraperStop : public ScraperInterrupted, public ::testing::WithParamInterface<StopCase> {};

TEST_P(ScraperStop, EndsThroughTheFinishStepsWithoutSaves) {
  const StopCase& c = GetParam();
  if (!c.message.isEmpty()) {
    OnMessage(c.message, [this] { job->RequestStop(); });
  }
  if (c.request > 0) {
    web.onGet = [&](int number) {
      if (number == c.request) job->RequestStop();
    };
  }
  if (c.inPacing) {
    window.interval = 1;
    clock->onWait = [this] { job->RequestStop(); };
  }

  RunJob();

  EXPECT_EQ(web.Requests().size(), c.expectedRequests);
  const QStringList messages = window.Messages();
  ASSERT_GE(messages.size(), 2);
  EXPECT_EQ(messages.at(messages.size() - 2), u"Работа завершена"_qs);
  EXPECT_FALSE(messages.contains(u"Сбор данных завершен"_qs));
  // Job control zeroes the bars on Stop; the job itself leaves them.
  for (const auto& shown : window.Progress()) {
    EXPECT_FALSE(shown.bar == ProgressBarId::Stages && shown.position == 0);
  }
  EXPECT_EQ(window.InputsEnabled(), (std::vector<bool>{false, true}));
}

INSTANTIATE_TEST_SUITE_P(
    , ScraperStop,
    ::testing::Values(StopCase{"BeforeTheQueryLoop", u"Начинаем работу."_qs, 0, false, 0},
                      StopCase{"AtTheRegionStart", u"\r\n\r\nЗапускаем"_qs, 0, false, 0},
                      StopCase{"DuringThePageRequest", {}, 1, false, 1},
                      StopCase{"InThePacingWait", {}, 0, true, 1},
                      StopCase{"AtTheCardAttemptStart", u"Загружаем карточку"_qs, 0, false, 1},
                      StopCase{"DuringAFailingCardRequest", {}, 2, false, 2},
                      StopCase{"DuringTheCardRequest", {}, 3, false, 3},
                      StopCase{"DuringTheErrorReport", u"Ошибка: boom"_qs, 0, false, 2}),
    [](const auto& info) { return std::string(info.param.name); });

struct HoldCase {
  const char* name;
  QString message;  // the user holds the job while this message is shown; empty: an error pause
  int requestsWhileHeld;
};

class ScraperHold : public ScraperInterrupted, public ::testing::WithParamInterface<HoldCase> {};

TEST_P(ScraperHold, HeldJobMakesNoProgressUntilReleased) {
  const HoldCase& c = GetParam();
  if (c.message.isEmpty()) {
    releaseErrorPauses = false;
  } else {
    OnMessage(c.message, [this] { job->Hold().Hold(); });
  }
  MakeJob();
  WorkThread thread([this] { job->Execute(); });

  ASSERT_TRUE(WaitFor([this] { return job->Hold().HeldWaiters() == 1; }));
  EXPECT_EQ(web.Requests().size(), c.requestsWhileHeld);
  const int logSize = int(window.Messages().size());
  job->Hold().Release();
  if (c.message.isEmpty()) {
    EXPECT_EQ(window.resumeTimerStarts.load(), 1);
  }
  thread.Join();

  EXPECT_GT(window.Messages().size(), logSize);
  EXPECT_EQ(web.Requests().size(), 4);
  EXPECT_EQ(job->Table().RowCount(), 2);
  EXPECT_TRUE(job->Table().Data_CardCompany.contains(u"Один"_qs));
}

INSTANTIATE_TEST_SUITE_P(
    , ScraperHold,
    ::testing::Values(HoldCase{"AtTheQueryLoop", u"Начинаем работу."_qs, 0},
                      HoldCase{"AfterThePageRequest", u"Загружаем страницу"_qs, 1},
                      HoldCase{"BeforeTheCardRequest", u"Загружаем карточку"_qs, 1},
                      HoldCase{"InTheNextPacingWait", u"Карточка загружена"_qs, 3},
                      HoldCase{"InTheErrorPause", {}, 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScraperInterrupted, AbandonedJobNeverTouchesTheWindowAgain) {
  int handOffsAtAbandon = -1;
  OnMessage(u"Загружаем карточку"_qs, [&] {
    job->Abandon();
    handOffsAtAbandon = window.handOffs.load();
  });

  RunJob();

  EXPECT_EQ(window.handOffs.load(), handOffsAtAbandon);
  EXPECT_EQ(web.Requests().size(), 1);
  EXPECT_FALSE(window.Messages().contains(u"Работа завершена"_qs));
}

}  // namespace
}  // namespace korvath::testing
