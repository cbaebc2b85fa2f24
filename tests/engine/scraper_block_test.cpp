#include <QRegularExpression>

#include "engine/scraper_test_fixture.h"

namespace korvath::testing {
namespace {

using std::chrono::milliseconds;

const QByteArray kCaptchaPage =
    "<html><form method=\"POST\" action=\"/checkcaptcha\"><input type=checkbox></form></html>";

ScriptedAnswer CaptchaRedirect() {
  ScriptedAnswer answer = Body(kCaptchaPage);
  answer.trace.paths = {u"/showcaptcha"_qs};
  return answer;
}

ScriptedAnswer TooManyRequests() { return Failure("HTTP/1.1 429 Too Many Requests", 429); }

class ScraperBlockTest : public ScraperTest {
 protected:
  QStringList BlockLines() const {
    return window.Messages().filter(QRegularExpression(u"\\. Ждём "_qs));
  }
  int ErrorLines() const {
    return int(window.Messages().filter(QRegularExpression(u"^Ошибка: "_qs)).size());
  }
};

// Every way the engine refuses is waited out, longer with each block in a row, and the page or
// card is asked for again: no error pause, no attempt used up, no row lost or made up.
TEST_F(ScraperBlockTest, BlocksAreWaitedOutAndTheAnswerAskedForAgain) {
  ScriptTwoAds();
  web.Script(SearchAddress(Truba(), u"213"_qs),
             {CaptchaRedirect(), Body("<html><p>Новый поиск</p></html>"),
              Body(ResultsPage({{u"Первое"_qs, Card(1)}, {u"Второе"_qs, Card(2)}}))});
  web.Script(Card(2), {TooManyRequests(), Body(kCaptchaPage), Body(CardPage(u"Два"_qs))});

  RunJob();

  ASSERT_EQ(job->Table().RowCount(), 2);
  EXPECT_EQ(job->Table().Data_CardCompany, QStringList({u"Один"_qs, u"Два"_qs}));
  const QStringList blocks = BlockLines();
  ASSERT_EQ(blocks.size(), 4);
  EXPECT_TRUE(blocks[0].startsWith(u"Яндекс просит ввести капчу вместо страницы "_qs +
                                   SearchAddress(Truba(), u"213"_qs) + u". Ждём 1 мин, "_qs));
  EXPECT_TRUE(blocks[1].contains(u"не похожа на страницу объявлений"_qs));
  EXPECT_TRUE(blocks[1].contains(u"Ждём 2 мин, следующая попытка в "_qs));
  // A page that came ended the row of blocks.
  EXPECT_TRUE(blocks[2].startsWith(u"Яндекс ответил «429 Too Many Requests»"_qs));
  EXPECT_TRUE(blocks[2].contains(u"Ждём 1 мин,"_qs));
  EXPECT_TRUE(blocks[3].contains(u"Ждём 2 мин,"_qs));
  const auto waits = clock->Waits();
  EXPECT_EQ(std::count(waits.begin(), waits.end(), milliseconds(60000)), 2);
  EXPECT_EQ(std::count(waits.begin(), waits.end(), milliseconds(120000)), 2);
  EXPECT_EQ(ErrorLines(), 0);
  EXPECT_EQ(window.resumeTimerStarts.load(), 0);
  EXPECT_EQ(window.CountMessages(u"Блокировок за работу: 4, работа ждала из-за них: 6 мин"_qs), 1);
  EXPECT_EQ(window.Messages().filter(u"Карточка загружена: "_qs + Card(2)).size(), 1);
}

TEST_F(ScraperBlockTest, BlocksNeverUseUpTheCardsTwentyAttempts) {
  ScriptTwoAds();
  std::vector<ScriptedAnswer> answers(25, TooManyRequests());
  answers.push_back(Body(CardPage(u"Терпеливая"_qs)));
  web.Script(Card(1), answers);

  blocks = {milliseconds(200), milliseconds(1000), false};
  RunJob();

  ASSERT_EQ(job->Table().RowCount(), 2);
  EXPECT_EQ(job->Table().Data_CardCompany.at(0), u"Терпеливая"_qs);
  const auto waits = clock->Waits();
  EXPECT_EQ(std::count(waits.begin(), waits.end(), milliseconds(1000)), 22);
}

TEST_F(ScraperBlockTest, StopAtABlockSavesWhatWasCollected) {
  ScriptTwoAds();
  web.Script(Card(2), {CaptchaRedirect()});

  blocks.stopOnBlock = true;
  RunJob();

  EXPECT_TRUE(job->Ending().endedOnBlock);
  EXPECT_EQ(job->Table().RowCount(), 1);
  const QStringList messages = window.Messages();
  EXPECT_EQ(messages.filter(u". Останавливаем работу: так задано для блокировок"_qs).size(), 1);
  EXPECT_EQ(window.CountMessages(u"Сохраняем данные в файл current.csv"_qs), 1);
  EXPECT_EQ(window.CountMessages(u"Сбор данных завершен"_qs), 1);
  EXPECT_EQ(window.CountMessages(u"Работа завершена"_qs), 1);
  EXPECT_TRUE(clock->Waits().empty());
}

TEST_F(ScraperBlockTest, StopDuringABlockWaitEndsItAtOnce) {
  ScriptTwoAds();
  web.Script(SearchAddress(Truba(), u"213"_qs), {TooManyRequests()});
  clock->onWait = [this] { job->RequestStop(); };

  RunJob();

  EXPECT_EQ(web.Requests().size(), 1);
  EXPECT_EQ(job->Table().RowCount(), 0);
  EXPECT_EQ(window.CountMessages(u"Работа завершена"_qs), 1);
}

// Told to give up, the job leaves a query in a region after that many failures in a row and goes
// on with the next region; the failure that gives up costs no error pause.
TEST_F(ScraperBlockTest, GivingUpLeavesTheQueryInThatRegionAndGoesOn) {
  regions = {u"Москва=213"_qs, u"Питер=2"_qs};
  ScriptTwoAds();
  web.Script(SearchAddress(Truba(), u"213"_qs), {Failure("boom")});
  web.Answer(SearchAddress(Truba(), u"2"_qs), ResultsPage({{u"Третье"_qs, Card(2)}}));

  giveUpAfter = 3;
  RunJob();

  EXPECT_EQ(web.Requests().count(SearchAddress(Truba(), u"213"_qs)), 3);
  EXPECT_EQ(job->Table().RowCount(), 1);
  EXPECT_EQ(job->Ending().givenUp, QStringList({u"\"труба\" / \"Москва\""_qs}));
  EXPECT_EQ(ErrorLines(), 2);
  EXPECT_EQ(window.resumeTimerStarts.load(), 2);
  EXPECT_EQ(window.Messages()
                .filter(u"3 неудачные попытки подряд (последняя ошибка: boom). "
                        u"Оставляем запрос \"труба\" по региону \"Москва\""_qs)
                .size(),
            1);
  EXPECT_EQ(window.CountMessages(u"Не завершены из-за ошибок (1): \"труба\" / \"Москва\""_qs), 1);
}

}  // namespace
}  // namespace korvath::testing
