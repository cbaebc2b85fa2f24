#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include "engine/scraper_test_fixture.h"
#include "results/card_texts.h"
#include "web/proxy_file.h"

namespace korvath::testing {
namespace {

using std::chrono::milliseconds;

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& content) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(content);
}

TEST_F(ScraperTest, NormalRunLogsEveryStepAndRecordsEveryAd) {
  window.SetQueries({u"труба"_qs});
  regions = {u"Москва=213"_qs};
  const QByteArray page = ResultsPage(
      {{u"Труба \"Сталь\""_qs, Card(1)}, {u"Без карточки"_qs, QString()}}, {}, u"Найдено 2"_qs);
  const QByteArray card = CardPage(u"ООО \"Ромашка\""_qs, u"Россия, \"Москва\""_qs);
  web.Answer(SearchAddress(Truba(), u"213"_qs), page);
  web.Answer(Card(1), card);
  // Copies left by an earlier job, longer than the new ones: nothing of them may remain.
  WriteFile(QDir(folder.path()).filePath(u"ads_list.html"_qs), page + page);
  WriteFile(QDir(folder.path()).filePath(u"ad.html"_qs), card + card);

  RunJob();

  const QStringList messages = window.Messages();
  const QStringList expectedStart{
      u"Начинаем работу."_qs,
      u"\r\n\r\nЗапускаем запрос \"труба\" по региону \"Москва\""_qs,
      u"Загружаем страницу объявлений "_qs + SearchAddress(Truba(), u"213"_qs),
      u"Найдено 2"_qs,
      u"Загружаем карточку контактов для объявления 1: \"Труба \"Сталь\"\""_qs,
      u"Карточка загружена: "_qs + Card(1),
      u"Часть сбора данных завершена"_qs,
      u"Сохраняем данные в файл current.csv"_qs,
      u"Сбор данных завершен"_qs,
  };
  ASSERT_GE(messages.size(), expectedStart.size() + 4);
  EXPECT_EQ(messages.mid(0, expectedStart.size()), expectedStart);
  EXPECT_TRUE(messages.at(expectedStart.size()).startsWith(u"Сохраняем данные в файл Excel: "_qs));
  EXPECT_EQ(messages.mid(messages.size() - 2, 1), QStringList{u"Работа завершена"_qs});

  const ResultTable& table = job->Table();
  ASSERT_EQ(table.RowCount(), 2);
  EXPECT_EQ(table.Data_Pos, (QStringList{u"1"_qs, u"2"_qs}));
  EXPECT_EQ(table.Data_Title.at(0), u"Труба 'Сталь'"_qs);
  EXPECT_EQ(table.Data_CardCompany.at(0), u"ООО 'Ромашка'"_qs);
  EXPECT_EQ(table.Data_CardRegion.at(0), u"Россия, \"Москва\""_qs);
  EXPECT_EQ(table.Data_CardEmail.at(0), u"info@firm.example"_qs);
  const QString filler = kMissingCardFiller.toString();
  EXPECT_EQ((QStringList{table.Data_CardCompany.at(1), table.Data_CardRegion.at(1),
                         table.Data_CardAddress.at(1), table.Data_CardPhone1.at(1),
                         table.Data_CardEmail.at(1)}),
            QStringList(5, filler));
  // The ad without a card link costs no request.
  EXPECT_EQ(web.Requests().size(), 2);

  EXPECT_EQ(ReadFile(QDir(folder.path()).filePath(u"ads_list.html"_qs)), page);
  EXPECT_EQ(ReadFile(QDir(folder.path()).filePath(u"ad.html"_qs)), card);

  // Both bars go back to 0 before the finish state unlocks the inputs.
  const auto progress = window.Progress();
  ASSERT_GE(progress.size(), 2u);
  EXPECT_EQ(progress[progress.size() - 2].bar, ProgressBarId::Regions);
  EXPECT_EQ(progress[progress.size() - 2].position, 0);
  EXPECT_EQ(progress.back().bar, ProgressBarId::Stages);
  EXPECT_EQ(progress.back().position, 0);
  EXPECT_EQ(window.InputsEnabled(), (std::vector<bool>{false, true}));
}

struct LoopCase {
  const char* name;
  QStringList queries;
  QStringList regions;
  QStringList expectedRequests;
  QStringList expectedRegionNames;
  std::vector<int> expectedStagePositions;  // before the final reset
};

class ScraperLoops : public ScraperTest, public ::testing::WithParamInterface<LoopCase> {};

TEST_P(ScraperLoops, WalkQueriesAndRegions) {
  const LoopCase& c = GetParam();
  window.SetQueries(c.queries);
  regions = c.regions;
  for (const QString& address : c.expectedRequests) {
    web.Answer(address, ResultsPage({{u"Объявление"_qs, QString()}}));
  }

  RunJob();

  EXPECT_EQ(web.Requests(), c.expectedRequests);
  EXPECT_EQ(job->Table().Data_Region, c.expectedRegionNames);
  std::vector<int> stages;
  for (const auto& shown : window.Progress()) {
    if (shown.bar == ProgressBarId::Stages) {
      EXPECT_EQ(shown.maximum, c.queries.size());
      stages.push_back(shown.position);
    }
  }
  ASSERT_FALSE(stages.empty());
  EXPECT_EQ(stages.back(), 0);
  stages.pop_back();
  EXPECT_EQ(stages, c.expectedStagePositions);
  EXPECT_EQ(window.Messages().constLast().startsWith(u"Лог записан в файл log-"_qs), true);
}

INSTANTIATE_TEST_SUITE_P(
    , ScraperLoops,
    ::testing::Values(LoopCase{"EmptyLinesAreSkippedButCounted",
                               {u"a"_qs, QString(), u"b"_qs},
                               {u"R=1"_qs},
                               {SearchAddress(u"a"_qs, u"1"_qs), SearchAddress(u"b"_qs, u"1"_qs)},
                               {u"R"_qs, u"R"_qs},
                               {1, 2}},
                      LoopCase{"NoQueriesMakeNoRequests", {}, {u"R=1"_qs}, {}, {}, {}},
                      LoopCase{"NoRegionsMakeNoRequests", {u"a"_qs}, {}, {}, {}, {1}},
                      LoopCase{"EntryWithoutEqualsIsAllRid",
                               {u"a"_qs},
                               {u"213"_qs},
                               {SearchAddress(u"a"_qs, u"213"_qs)},
                               {QString()},
                               {1}},
                      LoopCase{"EntrySplitsAtFirstEquals",
                               {u"a b"_qs},
                               {u"Мо\"сква=2=3"_qs, u"Тверь=14"_qs},
                               {SearchAddress(u"a%20b"_qs, u"2=3"_qs),
                                SearchAddress(u"a%20b"_qs, u"14"_qs)},
                               {u"Мо\"сква"_qs, u"Тверь"_qs},
                               {1}}),
    [](const auto& info) { return std::string(info.param.name); });

struct CapCase {
  const char* name;
  bool capEnabled;
  int cap;
  int lowerTo;  // < 0: the cap stays as it is
  int expectedRequests;
  QStringList expectedPositions;
};

class ScraperCap : public ScraperTest, public ::testing::WithParamInterface<CapCase> {};

TEST_P(ScraperCap, LimitsAdsPerQueryAndRegion) {
  const CapCase& c = GetParam();
  window.capEnabled = c.capEnabled;
  window.cap = c.cap;
  const QString second = kOrigin + u"/search/ads?p=2"_qs;
  web.Answer(SearchAddress(Truba(), u"213"_qs),
             ResultsPage({{u"A"_qs, Card(1)}, {u"B"_qs, Card(2)}, {u"C"_qs, Card(3)}},
                         u"/search/ads?p=2"_qs));
  web.Answer(second, ResultsPage({{u"D"_qs, Card(4)}, {u"E"_qs, Card(5)}, {u"F"_qs, Card(6)}}));
  for (int number = 1; number <= 6; ++number) {
    web.Answer(Card(number), CardPage(u"Фирма"_qs));
  }
  if (c.lowerTo >= 0) {
    window.onLogEntry = [&](const QString& message) {
      if (message.endsWith(second)) {
        window.cap = c.lowerTo;
      }
    };
  }

  RunJob();

  EXPECT_EQ(web.Requests().size(), c.expectedRequests);
  EXPECT_EQ(job->Table().Data_Pos, c.expectedPositions);
}

INSTANTIATE_TEST_SUITE_P(
    , ScraperCap,
    ::testing::Values(
        CapCase{"OffKeepsCountingAcrossPages",
                false,
                2,
                -1,
                8,
                {u"1"_qs, u"2"_qs, u"3"_qs, u"4"_qs, u"5"_qs, u"6"_qs}},
        CapCase{"OfTwoEndsTheRegionEarly", true, 2, -1, 3, {u"1"_qs, u"2"_qs}},
        CapCase{"OfZeroStillWalksEveryPage", true, 0, -1, 2, {}},
        CapCase{"LoweredLiveSkipsLaterAdsButWalksOn", true, 10, 1, 5, {u"1"_qs, u"2"_qs, u"3"_qs}}),
    [](const auto& info) { return std::string(info.param.name); });

struct NothingFoundCase {
  const char* name;
  int retry;
  int expectedRequests;
  bool givenUp;
};

class ScraperNothingFound : public ScraperTest,
                            public ::testing::WithParamInterface<NothingFoundCase> {};

TEST_P(ScraperNothingFound, RepeatsWithClearedCookiesUntilTheRetryCount) {
  const NothingFoundCase& c = GetParam();
  window.retry = c.retry;
  web.Answer(SearchAddress(Truba(), u"213"_qs), NothingFoundPage());
  // A repeat count beyond one series of attempts is never reached: end it by a stop.
  web.onGet = [&](int number) {
    if (number == c.expectedRequests && !c.givenUp) job->RequestStop();
  };

  RunJob();

  EXPECT_EQ(web.Requests().size(), c.expectedRequests);
  // A stop during the last request leaves its page unread.
  const int repeats = c.expectedRequests - 1;
  EXPECT_EQ(web.Count(u"ClearCookies"_qs), repeats);
  EXPECT_EQ(window.CountMessages(u"Делаем повторную загрузку"_qs), repeats);
  EXPECT_EQ(
      window.CountMessages(
          u"Яндекс сообщает \"По вашему запросу ничего не нашлось\". Это может быть ошибкой."_qs),
      c.givenUp ? c.expectedRequests : repeats);
  const QString givenUpLine = u"Задано число повторов загрузки "_qs + QString::number(c.retry) +
                              u", сделано загрузок "_qs + QString::number(c.retry) +
                              u" - оставляем эту страницу и двигаемся дальше"_qs;
  EXPECT_EQ(window.CountMessages(givenUpLine), c.givenUp ? 1 : 0);
  // The job's own repeat request is no error for the user and makes no pause.
  EXPECT_EQ(window.resumeTimerStarts.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(, ScraperNothingFound,
                         ::testing::Values(NothingFoundCase{"RetryOne", 1, 1, true},
                                           NothingFoundCase{"RetryThree", 3, 3, true},
                                           NothingFoundCase{"RetryBeyondASeries", 60, 120, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScraperTest, FailingPageIsRequestedInNewSeriesUntilStopped) {
  web.Script(SearchAddress(Truba(), u"213"_qs), {Failure("boom")});
  web.onGet = [&](int number) {
    if (number == 120) job->RequestStop();
  };

  RunJob();

  // The stop breaks off the 120th request: its failure is no error of the page's.
  EXPECT_EQ(web.Requests().size(), 120);
  EXPECT_EQ(web.Count(u"DropConnection"_qs), 119);
  EXPECT_EQ(window.CountMessages(u"Ошибка: boom"_qs), 119);
  EXPECT_EQ(window.resumeTimerStarts.load(), 119);
  EXPECT_EQ(job->Table().RowCount(), 0);
}

TEST_F(ScraperTest, PageWhoseRawCopyCannotBeWrittenIsNeverWalked) {
  // A plain file where the working folder should be: every attempt fails after the body came.
  workingFolder = QDir(folder.path()).filePath(u"not-a-folder"_qs);
  WriteFile(workingFolder, {});
  web.Answer(SearchAddress(Truba(), u"213"_qs), ResultsPage({{u"A"_qs, QString()}}));
  web.onGet = [&](int number) {
    if (number == 60) job->RequestStop();
  };

  RunJob();

  EXPECT_EQ(web.Requests().size(), 60);
  EXPECT_EQ(job->Table().RowCount(), 0);
}

struct CardCase {
  const char* name;
  std::vector<ScriptedAnswer> answers;
  int expectedCardRequests;
  QString expectedCompany;
  int expectedErrorLines;
  int expectedRetryWaits;
};

class ScraperCard : public ScraperTest, public ::testing::WithParamInterface<CardCase> {};

TEST_P(ScraperCard, AttemptsAndFillers) {
  const CardCase& c = GetParam();
  web.Answer(SearchAddress(Truba(), u"213"_qs), ResultsPage({{u"A"_qs, Card(1)}}));
  web.Script(Card(1), c.answers);

  RunJob();

  EXPECT_EQ(web.Requests().count(Card(1)), c.expectedCardRequests);
  ASSERT_EQ(job->Table().RowCount(), 1);
  EXPECT_EQ(job->Table().Data_CardCompany.at(0), c.expectedCompany);
  EXPECT_EQ(window.Messages().filter(QRegularExpression(u"^Ошибка: "_qs)).size(),
            c.expectedErrorLines);
  // Every failed card waits a second before it is reported.
  const auto waits = clock->Waits();
  EXPECT_EQ(std::count(waits.begin(), waits.end(), milliseconds(1001)), c.expectedRetryWaits);
}

INSTANTIATE_TEST_SUITE_P(
    , ScraperCard,
    ::testing::Values(
        CardCase{"AnsweredNotFoundGetsTheFiller",
                 {Failure("HTTP/1.1 404 Not Found", 404)},
                 1,
                 kMissingCardFiller.toString(),
                 0,
                 1},
        CardCase{"FailingTwentyTimesLeavesEmptyValues", {Failure("boom")}, 20, QString(), 20, 20},
        CardCase{"SucceedsAfterTwoFailures",
                 {Failure("boom"), Failure("HTTP/1.1 500 Oops", 500), Body(CardPage(u"Фирма"_qs))},
                 3,
                 u"Фирма"_qs,
                 2,
                 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScraperTest, PageOfAdsWithoutCardLinksIsNotedAndCostsNoCardRequest) {
  const QString second = kOrigin + u"/search/ads?p=2"_qs;
  web.Answer(SearchAddress(Truba(), u"213"_qs), ResultsPage({}, u"/search/ads?p=2"_qs));
  web.Answer(second, ResultsPage({{u"A"_qs, QString()}}));

  RunJob();

  EXPECT_EQ(web.Requests(), (QStringList{SearchAddress(Truba(), u"213"_qs), second}));
  EXPECT_EQ(window.CountMessages(u"На странице не найдено ни одной ссылки на карточку с "
                                 u"контактной информацией, есть только сами объявления"_qs),
            1);
  EXPECT_EQ(job->Table().Data_CardPhone1, QStringList{kMissingCardFiller.toString()});
}

struct PacingCase {
  const char* name;
  std::vector<ScriptedAnswer> firstPage;
  std::vector<ScriptedAnswer> firstCard;
  std::vector<milliseconds> expectedWaits;
};

class ScraperPacing : public ScraperTest, public ::testing::WithParamInterface<PacingCase> {};

// Requests take 250 ms each by the fake clock; the interval is 3 seconds.
TEST_P(ScraperPacing, MeasuresFromTheEndOfTheLastSuccessfulRequest) {
  const PacingCase& c = GetParam();
  window.interval = 3;
  ScriptTwoAds();
  web.Script(SearchAddress(Truba(), u"213"_qs), c.firstPage);
  web.Script(Card(1), c.firstCard);

  RunJob();

  EXPECT_EQ(clock->Waits(), c.expectedWaits);
}

const ScriptedAnswer kFailure = Failure("boom");
const QByteArray kTwoAdsPage = ResultsPage({{u"Первое"_qs, Card(1)}, {u"Второе"_qs, Card(2)}});

INSTANTIATE_TEST_SUITE_P(, ScraperPacing,
                         ::testing::Values(PacingCase{"FirstRequestGoesOutAtOnce",
                                                      {Body(kTwoAdsPage)},
                                                      {Body(CardPage(u"Один"_qs))},
                                                      {milliseconds(3000), milliseconds(3000)}},
                                           PacingCase{"FailedPageDoesNotMoveTheTick",
                                                      {kFailure, Body(kTwoAdsPage)},
                                                      {Body(CardPage(u"Один"_qs))},
                                                      {milliseconds(3000), milliseconds(3000)}},
                                           PacingCase{"CardRetryIsNotPaced",
                                                      {Body(kTwoAdsPage)},
                                                      {kFailure, Body(CardPage(u"Один"_qs))},
                                                      {milliseconds(3000), milliseconds(1001),
                                                       milliseconds(3000)}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScraperTest, ProxyGivesEveryRequestAConnectionOfItsOwn) {
  WriteFile(QDir(folder.path()).filePath(u"proxy.txt"_qs), "proxy.test:3128\r\n");
  ScriptTwoAds();

  RunJob();

  EXPECT_EQ(web.Requests().size(), 3);
  EXPECT_EQ(web.Count(u"Disconnect"_qs), 3);
  EXPECT_EQ(window.CountMessages(u"Используем прокси proxy.test:3128, без авторизации"_qs), 1);
}

TEST_F(ScraperTest, UnusableProxyEndsTheRunWithoutARequest) {
  WriteFile(QDir(folder.path()).filePath(u"proxy.txt"_qs), "proxy.test:port\r\n");
  const std::optional<ProxySettings> settings = ReadProxyFile(folder.path());
  ASSERT_TRUE(settings && settings->unusableReason);
  ScriptTwoAds();

  RunJob();

  EXPECT_TRUE(web.Requests().isEmpty());
  EXPECT_EQ(window.CountMessages(*settings->unusableReason), 1);
  EXPECT_EQ(window.CountMessages(u"Работа завершена"_qs), 1);
  EXPECT_EQ(window.InputsEnabled(), (std::vector<bool>{false, true}));
}

// Reported once and without an error pause: nothing is left to wait for.
TEST_F(ScraperTest, FailedFinalSaveIsReportedAndTheRunStillFinishes) {
  // In a program folder that does not exist the results file cannot be created.
  programFolder = QDir(folder.path()).filePath(u"missing"_qs);
  ScriptTwoAds();

  RunJob();

  const QStringList messages = window.Messages();
  EXPECT_EQ(messages.filter(QRegularExpression(u"^Ошибка: "_qs)).size(), 1);
  EXPECT_EQ(window.resumeTimerStarts, 0);
  EXPECT_EQ(window.Progress().back().position, 0);
  EXPECT_EQ(window.InputsEnabled(), (std::vector<bool>{false, true}));
}

}  // namespace
}  // namespace korvath::testing
