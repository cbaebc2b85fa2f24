#include "e2e_support.h"

#include "demo-engine/demo_ads.h"
#include "demo-engine/demo_cards.h"
#include "platform/code_page.h"
#include "support/tinyproxy.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <csignal>

namespace korvath::e2e {
namespace {

const auto* const kQtApplication = ::testing::AddGlobalTestEnvironment(new QtApplication);

const QStringList kHeader = {u"Регион"_qs,
                             u"Запрос"_qs,
                             u"Позиция"_qs,
                             u"Заголовок"_qs,
                             u"Текст"_qs,
                             u"Сайт компании"_qs,
                             u"Название компании"_qs,
                             u"Страна"_qs,
                             u"Город"_qs,
                             u"Адрес"_qs,
                             u"Код1"_qs,
                             u"Телефон1"_qs,
                             u"E-mail"_qs};
const QString kFiller = u"Страница контактной информации отсутствует"_qs;

// A catalogue in the engine's form: Россия (225) with two children.
const QByteArray kCatalogue =
    "<html><table><tr><td>header</td></tr><tr><td id=\"beginRegions\">"
    "<label for=\"225_\">Россия</label><br>"
    "<label for=\"225_213_\" class=\"r\">Москва</label><br>"
    "<label for=\"225_2_\">Санкт-Петербург</label>"
    "</td></tr></table></html>";

QStringList Column(const QList<QStringList>& rows, int column) {
  QStringList values;
  for (qsizetype i = 1; i < rows.size(); ++i) values.append(rows[i].value(column));
  return values;
}

QStringList Positions(int count) {
  QStringList positions;
  for (int i = 1; i <= count; ++i) positions.append(QString::number(i));
  return positions;
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The row of the results file for one ad of the demo engine, from what the engine meant to show.
QStringList ExpectedResultsRow(const QString& region, const QString& query,
                               const demo::DemoAd& ad) {
  QStringList row = {region,      query,      QString::number(ad.position),
                     Q(ad.title), Q(ad.text), Q(ad.site)};
  const demo::DemoCard card = demo::CardOf(ad.id);
  if (!ad.hasCard || card.missing) {
    for (int i = 0; i < 7; ++i) row.append(kFiller);
    return row;
  }
  QString country = u"Регион не указан"_qs;
  QString city = country;
  if (!card.location.empty()) {
    country = Q(card.location).section(u", "_qs, 0, 0);
    city = Q(card.location).section(u", "_qs, 1).section(u',', 0, 0);
  }
  QString code, number;
  if (const qsizetype bracket = Q(card.phone).indexOf(u')'); bracket >= 0) {
    code = Q(card.phone).left(bracket + 1);
    number = Q(card.phone).mid(bracket + 1).trimmed();
  }
  // Double quotes in card values are stored as apostrophes.
  row << Q(card.company).replace(u'"', u'\'') << country << city
      << Q(card.address).replace(u'"', u'\'') << code << number
      << Q(card.email).replace(u'"', u'\'');
  return row;
}

QList<QStringList> ExpectedAds(const QString& region, const QString& rid, const QString& query,
                               int pages, int adsPerPage) {
  const demo::EngineShape shape{pages, adsPerPage, 0};
  const demo::SearchKey key{query.toStdString(), rid.toStdString()};
  QList<QStringList> rows;
  for (int page = 1; page <= pages; ++page) {
    for (const demo::DemoAd& ad : demo::AdsOfPage(key, page, shape, true)) {
      rows.append(ExpectedResultsRow(region, query, ad));
    }
  }
  return rows;
}

// The printed log, the results path line taken off, so it can be set against the saved log.
QString PrintedLog(const QString& out) {
  const qsizetype last = out.lastIndexOf(u"\nResults: "_qs);
  return last < 0 ? out : out.left(last + 1);
}

TEST(CliRun, CollectsEveryAdOfEveryQueryInEveryTickedRegion) {
  DemoEngine engine({u"--pages"_qs, u"2"_qs, u"--ads"_qs, u"4"_qs});
  Sandbox sandbox;
  sandbox.WriteUserFile(u"keywords.txt"_qs, {u"пластиковые окна"_qs, u""_qs, u"ремонт"_qs});
  sandbox.WriteBytes(u"regions.html"_qs, kCatalogue);
  sandbox.WriteUserFile(u"selection1.txt"_qs, {u"Санкт-Петербург (2)"_qs, u"Москва (213)"_qs});

  const CliResult run =
      RunCli(sandbox, {u"--origin"_qs, engine.Origin(), u"--interval"_qs, u"0"_qs});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
  EXPECT_EQ(run.programFolder, sandbox.ProgramFolder());

  const QStringList results = sandbox.ProgramFiles(u"results-*.csv"_qs);
  const QStringList logs = sandbox.ProgramFiles(u"log-*.txt"_qs);
  ASSERT_EQ(results.size(), 1);
  ASSERT_EQ(logs.size(), 1);
  EXPECT_TRUE(run.out.endsWith(u"\nResults: "_qs +
                               QDir::toNativeSeparators(sandbox.ProgramFile(results[0])) + u'\n'));
  // The workbook goes beside the results file only; the working file gets none.
  EXPECT_EQ(sandbox.ProgramFiles(u"*.xlsx"_qs), QStringList{results[0].chopped(4) + u".xlsx"_qs});
  EXPECT_TRUE(QFileInfo::exists(sandbox.ProgramFile(u"current.csv"_qs)));
  // Raw pages go to the working folder, never beside the program.
  EXPECT_TRUE(QFileInfo::exists(sandbox.WorkingFile(u"ads_list.html"_qs)));
  EXPECT_TRUE(QFileInfo::exists(sandbox.WorkingFile(u"ad.html"_qs)));
  EXPECT_FALSE(QFileInfo::exists(sandbox.ProgramFile(u"ads_list.html"_qs)));

  // What was printed is what was saved, line for line, and every entry carries its time stamp.
  const QString log = ReadLogFile(sandbox.ProgramFile(logs[0]));
  EXPECT_EQ(PrintedLog(run.out), log);
  EXPECT_TRUE(log.startsWith(log.section(u": "_qs, 0, 0) + u": Начинаем работу.\n"_qs));
  EXPECT_TRUE(log.endsWith(u": Лог записан в файл "_qs + logs[0] + u'\n'));
  EXPECT_EQ(Count(log, u"Запускаем запрос"_qs), 4);
  EXPECT_EQ(Count(log, u"Запускаем запрос \"ремонт\" по региону \"Санкт-Петербург\""_qs), 1);

  // Regions come in catalogue order, whatever the order of the saved selection.
  const QList<QStringList> rows = ReadCsv(sandbox.ProgramFile(results[0]));
  QList<QStringList> expected = {kHeader};
  for (const QString& query : {u"пластиковые окна"_qs, u"ремонт"_qs}) {
    expected += ExpectedAds(u"Москва"_qs, u"213"_qs, query, 2, 4);
    expected += ExpectedAds(u"Санкт-Петербург"_qs, u"2"_qs, query, 2, 4);
  }
  ASSERT_EQ(rows.size(), expected.size());
  for (qsizetype i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i], expected[i]) << "row " << i;
  // The demo engine's choice of ads makes sure both kinds of filler are met here.
  EXPECT_TRUE(std::any_of(expected.begin(), expected.end(), [](const QStringList& row) {
    return row[6] == kFiller && row[2] != u"4"_qs;  // a card answered 404
  }));

  // The working file holds the same ads, saved after the last query.
  const QList<QStringList> working = ReadCsv(sandbox.ProgramFile(u"current.csv"_qs));
  ASSERT_EQ(working.size(), rows.size());
  EXPECT_EQ(Column(working, 3), Column(rows, 3));
}

TEST(CliRun, CapLimitsTheAdsOfEachQueryInEachRegion) {
  DemoEngine engine({u"--pages"_qs, u"3"_qs, u"--ads"_qs, u"2"_qs});
  Sandbox sandbox;
  sandbox.WriteUserFile(u"queries.txt"_qs, {u"окна"_qs});

  const CliResult run =
      RunCli(sandbox, {u"--origin"_qs, engine.Origin(), u"--interval"_qs, u"0"_qs, u"--limit"_qs,
                       u"3"_qs, u"--queries"_qs, sandbox.ProgramFile(u"queries.txt"_qs),
                       u"--regions"_qs, u"Москва=213,Питер=2"_qs, u"--no-xlsx"_qs});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();

  const QStringList results = sandbox.ProgramFiles(u"results-*.csv"_qs);
  ASSERT_EQ(results.size(), 1);
  EXPECT_TRUE(sandbox.ProgramFiles(u"*.xlsx"_qs).isEmpty());
  const QList<QStringList> rows = ReadCsv(sandbox.ProgramFile(results[0]));
  EXPECT_EQ(Column(rows, 0), QStringList({u"Москва"_qs, u"Москва"_qs, u"Москва"_qs, u"Питер"_qs,
                                          u"Питер"_qs, u"Питер"_qs}));
  EXPECT_EQ(Column(rows, 2), Positions(3) + Positions(3));
  // The third ad is on the second page; the third page is never asked for.
  EXPECT_EQ(Count(run.out, u"Загружаем страницу объявлений"_qs), 4);
}

TEST(CliRun, InterruptStopsTheJobThroughItsFinishSteps) {
  for (const int signalNumber : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signalNumber);
    // The first card never comes: the stop breaks off the request instead of waiting it out.
    DemoEngine engine({u"--pages"_qs, u"50"_qs, u"--ads"_qs, u"10"_qs, u"--stall-at"_qs, u"2"_qs});
    Sandbox sandbox;
    sandbox.WriteUserFile(u"keywords.txt"_qs, {u"окна"_qs, u"двери"_qs});

    RunningCli cli(sandbox, {u"--origin"_qs, engine.Origin(), u"--interval"_qs, u"0"_qs,
                             u"--regions"_qs, u"Москва=213"_qs, u"--timeout-ms"_qs, u"600000"_qs});
    ASSERT_TRUE(cli.WaitForOutput(
        [](const QString& out) { return out.contains(u"Загружаем карточку контактов"_qs); }));
    if (!cli.Signal(signalNumber)) GTEST_SKIP() << "Windows has no signals to send a program";
    const CliResult run = cli.Finish();

    EXPECT_EQ(run.exitCode, 130) << run.err.toStdString();
    EXPECT_TRUE(sandbox.ProgramFiles(u"results-*.csv"_qs).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(sandbox.ProgramFile(u"current.csv"_qs)));
    EXPECT_EQ(Count(run.out, u"Запускаем запрос"_qs), 1);
    const qsizetype stop = run.out.indexOf(u": Останавливаем работу\n"_qs);
    const qsizetype end = run.out.indexOf(u": Работа завершена\n"_qs);
    EXPECT_GE(stop, 0);
    EXPECT_GT(end, stop);
    const QStringList logs = sandbox.ProgramFiles(u"log-*.txt"_qs);
    ASSERT_EQ(logs.size(), 1);
    EXPECT_EQ(ReadLogFile(sandbox.ProgramFile(logs[0])), run.out);
  }
}

TEST(CliRun, ReaderOfTheLogGoingAwayDoesNotEndTheJob) {
  if (QSysInfo::kernelType() != u"linux"_qs) GTEST_SKIP() << "the pipe is made by Linux's bash";
  DemoEngine engine({u"--pages"_qs, u"3"_qs, u"--ads"_qs, u"3"_qs});
  Sandbox sandbox;
  sandbox.WriteUserFile(u"keywords.txt"_qs, {u"окна"_qs});

  const CliResult run = RunCliPipedTo(sandbox,
                                      {u"--origin"_qs, engine.Origin(), u"--interval"_qs, u"0"_qs,
                                       u"--regions"_qs, u"Москва=213"_qs},
                                      u"head -n 2"_qs);
  EXPECT_TRUE(run.out.endsWith(u": Начинаем работу.\n"_qs)) << run.out.toStdString();
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QStringList results = sandbox.ProgramFiles(u"results-*.csv"_qs);
  ASSERT_EQ(results.size(), 1);
  EXPECT_EQ(ReadCsv(sandbox.ProgramFile(results[0])).size(), 1 + 3 * 3);
  EXPECT_EQ(sandbox.ProgramFiles(u"log-*.txt"_qs).size(), 1);
}

TEST(CliRun, NothingFoundIsLoadedAsOftenAsTheRetrySettingSays) {
  DemoEngine engine({u"--pages"_qs, u"1"_qs, u"--ads"_qs, u"2"_qs});
  Sandbox sandbox;
  sandbox.WriteUserFile(u"keywords.txt"_qs, {u"ничего такого"_qs, u"окна"_qs});

  const CliResult run =
      RunCli(sandbox, {u"--origin"_qs, engine.Origin(), u"--interval"_qs, u"0"_qs, u"--retry"_qs,
                       u"2"_qs, u"--regions"_qs, u"Москва=213"_qs});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();

  const QString nothing = run.out.section(u"Запускаем запрос \"окна\""_qs, 0, 0);
  EXPECT_EQ(Count(nothing, u"Загружаем страницу объявлений"_qs), 2);
  EXPECT_EQ(Count(nothing,
                  u"Яндекс сообщает \"По вашему запросу ничего не нашлось\". Это может быть "
                  u"ошибкой."_qs),
            2);
  EXPECT_EQ(Count(nothing, u": Делаем повторную загрузку\n"_qs), 1);
  EXPECT_EQ(Count(nothing,
                  u": Задано число повторов загрузки 2, сделано загрузок 2 - оставляем эту "
                  u"страницу и двигаемся дальше\n"_qs),
            1);
  // The empty query still asks for a working save, which has nothing to write yet.
  EXPECT_EQ(Count(nothing, u"Сохраняем данные в файл"_qs), 0);

  const QStringList results = sandbox.ProgramFiles(u"results-*.csv"_qs);
  ASSERT_EQ(results.size(), 1);
  EXPECT_EQ(Column(ReadCsv(sandbox.ProgramFile(results[0])), 1),
            QStringList({u"окна"_qs, u"окна"_qs}));
}

TEST(CliRun, ErrorPausesTheJobAndItGoesOnAfterwards) {
  // The third request, a contact card, is answered 500; its second attempt succeeds.
  DemoEngine engine({u"--pages"_qs, u"1"_qs, u"--ads"_qs, u"2"_qs, u"--fail-every"_qs, u"3"_qs});
  Sandbox sandbox;
  sandbox.WriteUserFile(u"keywords.txt"_qs, {u"окна"_qs});

  const CliResult run = RunCli(sandbox, {u"--origin"_qs, engine.Origin(), u"--interval"_qs, u"0"_qs,
                                         u"--regions"_qs, u"Москва=213"_qs});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();

  const qsizetype error = run.out.indexOf(u": Ошибка: "_qs);
  const qsizetype pause = run.out.indexOf(u": Включаем паузу на 15 секунд\n"_qs);
  const qsizetype resume = run.out.indexOf(u": Отключаем паузу, продолжаем работу\n"_qs);
  ASSERT_GE(error, 0) << run.out.toStdString();
  EXPECT_TRUE(run.out.mid(error).section(u'\n', 0, 0).contains(u"500"_qs));
  EXPECT_GT(pause, error);
  EXPECT_GT(resume, pause);
  EXPECT_EQ(Count(run.out, u": Ошибка: "_qs), 1);

  const QStringList results = sandbox.ProgramFiles(u"results-*.csv"_qs);
  ASSERT_EQ(results.size(), 1);
  EXPECT_EQ(ReadCsv(sandbox.ProgramFile(results[0])),
            QList<QStringList>{kHeader} + ExpectedAds(u"Москва"_qs, u"213"_qs, u"окна"_qs, 1, 2));
}

TEST(CliRun, ProxyFileCarriesEveryRequest) {
  if (!korvath::testing::TinyproxyInstalled()) GTEST_SKIP() << "tinyproxy is not installed";
  DemoEngine engine({u"--pages"_qs, u"2"_qs, u"--ads"_qs, u"3"_qs});
  korvath::testing::Tinyproxy proxy("korvath", "s3cret");
  const QString proxyAddress = u"127.0.0.1:"_qs + QString::number(proxy.Port());
  const QStringList arguments = {u"--origin"_qs, engine.Origin(), u"--interval"_qs,
                                 u"0"_qs,        u"--regions"_qs, u"Москва=213"_qs};

  Sandbox sandbox;
  sandbox.WriteUserFile(u"keywords.txt"_qs, {u"окна"_qs});
  sandbox.WriteUserFile(u"proxy.txt"_qs, {u"korvath:s3cret@"_qs + proxyAddress});
  const CliResult run = RunCli(sandbox, arguments);
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
  EXPECT_EQ(Count(run.out, u": Используем прокси "_qs + proxyAddress + u", логин korvath\n"_qs), 1);
  const QStringList logs = sandbox.ProgramFiles(u"log-*.txt"_qs);
  ASSERT_EQ(logs.size(), 1);
  EXPECT_FALSE(ReadLogFile(sandbox.ProgramFile(logs[0])).contains(u"s3cret"_qs));
  const QStringList results = sandbox.ProgramFiles(u"results-*.csv"_qs);
  ASSERT_EQ(results.size(), 1);
  EXPECT_EQ(ReadCsv(sandbox.ProgramFile(results[0])),
            QList<QStringList>{kHeader} + ExpectedAds(u"Москва"_qs, u"213"_qs, u"окна"_qs, 2, 3));

  // Refused credentials show that the requests really go through the proxy.
  Sandbox refused;
  refused.WriteUserFile(u"keywords.txt"_qs, {u"окна"_qs});
  refused.WriteUserFile(u"proxy.txt"_qs, {u"korvath:wrong@"_qs + proxyAddress});
  RunningCli cli(refused, arguments);
  ASSERT_TRUE(cli.WaitForOutput(
      [](const QString& out) { return out.contains(u": Включаем паузу на 15 секунд"_qs); }));
  cli.Signal(SIGINT);
  const CliResult stopped = cli.Finish();
  EXPECT_EQ(stopped.exitCode, 130);
  // tinyproxy refuses with 401 rather than 407; the demo engine answers neither.
  const QString refusal = stopped.out.section(u": Ошибка: "_qs, 1).section(u'\n', 0, 0);
  EXPECT_TRUE(refusal.contains(u" 401 "_qs) || refusal.contains(u" 407 "_qs))
      << refusal.toStdString();
}

TEST(CliRun, UnusableProxyFileEndsTheJobWithoutARequestAndFails) {
  Sandbox sandbox;
  sandbox.WriteUserFile(u"keywords.txt"_qs, {u"окна"_qs});
  sandbox.WriteUserFile(u"proxy.txt"_qs, {u"127.0.0.1:31x8"_qs});
  // Nothing listens there: a request that went out anyway would show as an error.
  const CliResult run = RunCli(
      sandbox, {u"--origin"_qs, u"https://127.0.0.1:9"_qs, u"--regions"_qs, u"Москва=213"_qs});

  EXPECT_EQ(run.exitCode, 1) << run.out.toStdString();
  EXPECT_TRUE(run.out.contains(u"proxy.txt"_qs)) << run.out.toStdString();
  EXPECT_FALSE(run.out.contains(u"Загружаем страницу объявлений"_qs));
  EXPECT_FALSE(run.out.contains(u"Results: "_qs));
  const QStringList logs = sandbox.ProgramFiles(u"log-*.txt"_qs);
  ASSERT_EQ(logs.size(), 1);
  EXPECT_EQ(ReadLogFile(sandbox.ProgramFile(logs[0])), run.out);
}

// A "proxies.txt" made to hide the user's address but of no use is refused before any request,
// and no journal is left to block the next run.
TEST(CliRun, ProxyListOfNoUseIsRefusedBeforeAnyRequest) {
  for (const bool folder : {false, true}) {
    SCOPED_TRACE(folder ? "a folder" : "no usable line");
    Sandbox sandbox;
    sandbox.WriteUserFile(u"keywords.txt"_qs, {u"окна"_qs});
    if (folder) {
      ASSERT_TRUE(QDir(sandbox.ProgramFolder()).mkdir(u"proxies.txt"_qs));
    } else {
      sandbox.WriteUserFile(u"proxies.txt"_qs, {u"socks5://10.0.0.1:1080"_qs});
    }
    const CliResult run = RunCli(
        sandbox, {u"--origin"_qs, u"https://127.0.0.1:9"_qs, u"--regions"_qs, u"Москва=213"_qs});
    EXPECT_EQ(run.exitCode, 1) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(u"proxies.txt"_qs)) << run.err.toStdString();
    EXPECT_FALSE(run.out.contains(u"Загружаем"_qs));
    EXPECT_TRUE(sandbox.ProgramFiles(u"job.sqlite*"_qs).isEmpty());
  }
}

// Queries saved on a Russian-language Windows are searched for as they were written.
TEST(CliRun, ReadsWindows1251QueriesUnderAUtf8Locale) {
  if (!SystemEncodingIsUtf8()) GTEST_SKIP() << "the system's own code page is Windows-1251";
  DemoEngine engine({u"--pages"_qs, u"1"_qs, u"--ads"_qs, u"1"_qs});
  Sandbox sandbox;
  sandbox.WriteBytes(u"keywords.txt"_qs,
                     QByteArray::fromHex("efebe0f1f2e8eaeee2fbe520eeeaede00d0a"));
  const CliResult run = RunCli(sandbox, {u"--origin"_qs, engine.Origin(), u"--interval"_qs, u"0"_qs,
                                         u"--regions"_qs, u"Москва=213"_qs});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
  EXPECT_EQ(Count(run.out, u"\" не в кодировке UTF-8, читаем его как Windows-1251\n"_qs), 1)
      << run.out.toStdString();
  EXPECT_TRUE(
      run.out.contains(u"\nЗапускаем запрос \"пластиковые окна\" по региону \"Москва\"\n"_qs))
      << run.out.toStdString();
  EXPECT_EQ(
      Column(ReadCsv(sandbox.ProgramFile(sandbox.ProgramFiles(u"results-*.csv"_qs).value(0))), 1),
      QStringList{u"пластиковые окна"_qs});
}

// Two jobs in one folder would share the working file, the log, the raw copies and the name of
// the results file; the second is turned away while the first runs, and may run after it.
TEST(CliRun, SecondJobInTheSameFolderIsRefusedWhileTheFirstRuns) {
  DemoEngine engine({u"--pages"_qs, u"3"_qs, u"--ads"_qs, u"2"_qs, u"--slow-ms"_qs, u"20"_qs});
  Sandbox sandbox;
  sandbox.WriteUserFile(u"keywords.txt"_qs, {u"окна"_qs});
  const QStringList arguments = {u"--origin"_qs, engine.Origin(), u"--interval"_qs,
                                 u"0"_qs,        u"--regions"_qs, u"Москва=213"_qs};
  RunningCli first(sandbox, arguments);
  ASSERT_TRUE(first.WaitForOutput(
      [](const QString& out) { return out.contains(u"Загружаем страницу объявлений"_qs); }));

  const CliResult second = RunCli(sandbox, arguments);
  EXPECT_EQ(second.exitCode, 2) << second.out.toStdString();
  EXPECT_TRUE(second.err.contains(u"уже идёт работа (программа korvath-cli, процесс "_qs))
      << second.err.toStdString();
  EXPECT_FALSE(second.out.contains(u"Начинаем работу"_qs)) << second.out.toStdString();

  const CliResult run = first.Finish();
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
  EXPECT_EQ(sandbox.ProgramFiles(u"results-*.csv"_qs).size(), 1);
  EXPECT_TRUE(sandbox.ProgramFiles(u"*.lock"_qs).isEmpty());
  EXPECT_EQ(RunCli(sandbox, arguments).exitCode, 0);
}

TEST(CliRun, RefusesMissingInputsBeforeAnyJob) {
  const struct {
    const char* name;
    QStringList files;  // "name=content" of UTF-8 files in the program folder
    QStringList arguments;
    QString outPart;
    QString errPart;
  } cases[] = {
      {"no queries",
       {},
       {u"--regions"_qs, u"A=1"_qs},
       u"Задайте список запросов! Пример: \nтруба бесшовная\nгазовые счетчики\n\n"_qs,
       {}},
      {"blank queries",
       {u"keywords.txt= \t"_qs},
       {u"--regions"_qs, u"A=1"_qs},
       u"Задайте список запросов!"_qs,
       {}},
      {"no catalogue", {u"keywords.txt=окна"_qs}, {}, {}, u"regions.html"_qs},
      {"empty catalogue",
       {u"keywords.txt=окна"_qs, u"regions.html="_qs},
       {},
       {},
       u"regions.html\" нет ни одного региона"_qs},
      {"not a catalogue",
       {u"keywords.txt=окна"_qs, u"regions.html=<html>404 Not Found</html>"_qs},
       {},
       {},
       u"regions.html\" нет ни одного региона"_qs},
      {"nothing ticked",
       {u"keywords.txt=окна"_qs, u"regions.html=<label for=\"1_\">A</label>"_qs},
       {},
       u"Ни один регион не отмечен! Поставьте галочки на нужных регионах.\n"_qs,
       {}},
      {"missing queries file",
       {},
       {u"--queries"_qs, u"none.txt"_qs, u"--regions"_qs, u"A=1"_qs},
       {},
       u"none.txt\": no such file"_qs},
      {"queries file is a folder",
       {},
       {u"--queries"_qs, u"."_qs, u"--regions"_qs, u"A=1"_qs},
       {},
       u"\".\": it is a folder, not a file"_qs},
      {"queries file is a device",
       {},
       {u"--queries"_qs, u"/dev/null"_qs, u"--regions"_qs, u"A=1"_qs},
       {},
       u"\"/dev/null\": it is a device, not a file"_qs},
      {"bad number", {u"keywords.txt=окна"_qs}, {u"--retry"_qs, u"0"_qs}, {}, u"usage: "_qs},
      {"more than a region code",
       {u"keywords.txt=окна"_qs},
       {u"--regions"_qs, u"X=213&text=evil"_qs},
       {},
       u"\"X=213&text=evil\": the region code"_qs},
      {"bad origin",
       {u"keywords.txt=окна"_qs},
       {u"--origin"_qs, u"yandex.ru"_qs},
       {},
       u"--origin"_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // Windows has no /dev/null to name.
    if (c.arguments.contains(u"/dev/null"_qs) && QSysInfo::kernelType() != u"linux"_qs) continue;
    Sandbox sandbox;
    for (const QString& file : c.files) {
      sandbox.WriteBytes(file.section(u'=', 0, 0), file.section(u'=', 1).toUtf8());
    }
    const CliResult run = RunCli(sandbox, c.arguments);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.out.contains(c.outPart)) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains(c.errPart)) << run.err.toStdString();
    EXPECT_TRUE(sandbox.ProgramFiles(u"log-*.txt"_qs).isEmpty());
  }
}

}  // namespace
}  // namespace korvath::e2e
