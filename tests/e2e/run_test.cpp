#include "e2e_support.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <csignal>

namespace korvath::e2e {
namespace {

// QProcess reports through socket notifiers, which want an application object.
class QtApplication : public testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "e2e_tests";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QCoreApplication>(argc, argv);
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<QCoreApplication> app_;
};
const auto* const kQtApplication = testing::AddGlobalTestEnvironment(new QtApplication);

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

  const QStringList results = sandbox.ProgramFiles(u"results-*.csv"_qs);
  const QStringList logs = sandbox.ProgramFiles(u"log-*.txt"_qs);
  ASSERT_EQ(results.size(), 1);
  ASSERT_EQ(logs.size(), 1);
  EXPECT_TRUE(run.out.endsWith(u"\nResults: "_qs + sandbox.ProgramFile(results[0]) + u'\n'));
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
  ASSERT_EQ(rows.size(), 1 + 2 * 2 * 2 * 4);
  EXPECT_EQ(rows[0], kHeader);
  QStringList expectedRegions, expectedQueries, expectedPositions;
  for (const QString& query : {u"пластиковые окна"_qs, u"ремонт"_qs}) {
    for (const QString& region : {u"Москва"_qs, u"Санкт-Петербург"_qs}) {
      for (int i = 0; i < 8; ++i) {
        expectedQueries.append(query);
        expectedRegions.append(region);
      }
      expectedPositions += Positions(8);
    }
  }
  EXPECT_EQ(Column(rows, 0), expectedRegions);
  EXPECT_EQ(Column(rows, 1), expectedQueries);
  EXPECT_EQ(Column(rows, 2), expectedPositions);
  for (const QStringList& row : rows) EXPECT_EQ(row.size(), kHeader.size());

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
                       u"--regions"_qs, u"Москва=213,=2"_qs});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();

  const QStringList results = sandbox.ProgramFiles(u"results-*.csv"_qs);
  ASSERT_EQ(results.size(), 1);
  const QList<QStringList> rows = ReadCsv(sandbox.ProgramFile(results[0]));
  EXPECT_EQ(Column(rows, 0),
            QStringList({u"Москва"_qs, u"Москва"_qs, u"Москва"_qs, u""_qs, u""_qs, u""_qs}));
  EXPECT_EQ(Column(rows, 2), Positions(3) + Positions(3));
  // The third ad is on the second page; the third page is never asked for.
  EXPECT_EQ(Count(run.out, u"Загружаем страницу объявлений"_qs), 4);
}

TEST(CliRun, InterruptStopsTheJobThroughItsFinishSteps) {
  for (const int signalNumber : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signalNumber);
    DemoEngine engine({u"--pages"_qs, u"50"_qs, u"--ads"_qs, u"10"_qs, u"--slow-ms"_qs, u"20"_qs});
    Sandbox sandbox;
    sandbox.WriteUserFile(u"keywords.txt"_qs, {u"окна"_qs, u"двери"_qs});

    RunningCli cli(sandbox, {u"--origin"_qs, engine.Origin(), u"--interval"_qs, u"0"_qs,
                             u"--regions"_qs, u"Москва=213"_qs});
    ASSERT_TRUE(cli.WaitForOutput(
        [](const QString& out) { return Count(out, u"Загружаем страницу объявлений"_qs) >= 2; }));
    cli.Signal(signalNumber);
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
      {"nothing ticked",
       {u"keywords.txt=окна"_qs, u"regions.html=<label for=\"1_\">A</label>"_qs},
       {},
       u"Ни один регион не отмечен! Поставьте галочки на нужных регионах.\n"_qs,
       {}},
      {"missing queries file",
       {},
       {u"--queries"_qs, u"none.txt"_qs, u"--regions"_qs, u"A=1"_qs},
       {},
       u"none.txt"_qs},
      {"bad number", {u"keywords.txt=окна"_qs}, {u"--retry"_qs, u"0"_qs}, {}, u"usage: "_qs},
      {"bad origin",
       {u"keywords.txt=окна"_qs},
       {u"--origin"_qs, u"yandex.ru"_qs},
       {},
       u"--origin"_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
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
