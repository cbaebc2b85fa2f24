#include "results/handle_result.h"
#include "fake_job_window.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvath {
namespace {

ResultTable OneRow() {
  ResultTable table;
  table.Append({u"окна"_qs, u"Москва"_qs, u"1"_qs, u"T"_qs, u"X"_qs, u"d.ru"_qs, u"Россия"_qs,
                u"e"_qs, u"a"_qs, u"c"_qs, u"p"_qs});
  return table;
}

struct OutcomeCase {
  const char* name;
  QString result;
  QString resulttype;
  bool rows;
  QStringList messages;
  bool held;
};

class HandleResultOutcome : public testing::TestWithParam<OutcomeCase> {};

TEST_P(HandleResultOutcome, LogsSavesAndHoldsAsTheWordsSay) {
  const OutcomeCase& c = GetParam();
  QTemporaryDir dir;
  FakeJobWindow window;
  const ResultTable table = c.rows ? OneRow() : ResultTable{};
  EXPECT_EQ(HandleResult(c.result, c.resulttype, table, window, dir.path()), c.held);
  EXPECT_EQ(window.timerStarts, c.held ? 1 : 0);
  EXPECT_EQ(window.Messages(), c.messages);
  const bool saved = c.messages.size() == 2 && !c.held;
  EXPECT_EQ(QFile::exists(QDir(dir.path()).filePath(u"current.csv"_qs)), saved);
  EXPECT_TRUE(window.opened.isEmpty());
}

const QString kPause = u"Включаем паузу на 15 секунд"_qs;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Words, HandleResultOutcome, testing::Values(
    OutcomeCase{"ErrorPauses", u"ERROR_reset\r\nby peer"_qs, u"savecurrent"_qs, true,
                {u"Ошибка: reset\r\nby peer"_qs, kPause}, true},
    OutcomeCase{"NotFoundIsSilent", u"ERROR_HTTP 404 Not Found"_qs, u"jobdone"_qs, true, {}, false},
    OutcomeCase{"RepeatIsSilent", u"ERROR_Повтор"_qs, u""_qs, true, {}, false},
    OutcomeCase{"NotFoundInOtherCasePauses", u"ERROR_404 not found"_qs, u""_qs, false,
                {u"Ошибка: 404 not found"_qs, kPause}, true},
    OutcomeCase{"WorkingSave", u"ok"_qs, u"savecurrent"_qs, true,
                {u"Часть сбора данных завершена"_qs, u"Сохраняем данные в файл current.csv"_qs},
                false},
    OutcomeCase{"EmptyWorkingSave", u"ok"_qs, u"savecurrent"_qs, false, {}, false},
    OutcomeCase{"EmptyFinalSave", u"ok"_qs, u"jobdone"_qs, false, {}, false},
    OutcomeCase{"OtherTypeDoesNothing", u"ok"_qs, u"SaveCurrent"_qs, true, {}, false}),
    [](const auto& info) { return info.param.name; });
// clang-format on

TEST(HandleResult, FinalSaveWritesResultsFileAndWorkbookAndAsksToOpenTheFile) {
  QTemporaryDir dir;
  FakeJobWindow window;
  EXPECT_FALSE(HandleResult(u"ok"_qs, u"jobdone"_qs, OneRow(), window, dir.path()));
  const QStringList files = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
  ASSERT_EQ(files.size(), 2);
  EXPECT_TRUE(files[0].startsWith(u"results-"));
  EXPECT_TRUE(files[0].endsWith(u".csv"));
  EXPECT_EQ(files[1], files[0].chopped(4) + u".xlsx"_qs);
  EXPECT_EQ(
      window.Messages(),
      (QStringList{u"Сбор данных завершен"_qs, u"Сохраняем данные в файл Excel: "_qs + files[0],
                   u"Сохраняем книгу Excel: "_qs + files[1], u"Открываем файл с результатами"_qs}));
  EXPECT_EQ(window.opened, QStringList{QDir(dir.path()).filePath(files[0])});
}

// More ads than a sheet has rows: the workbook cannot hold them, the results file can.
TEST(HandleResult, WorkbookThatFailsIsRaisedOnlyAfterTheResultsFileIsWrittenAndOpened) {
  QTemporaryDir dir;
  FakeJobWindow window;
  ResultTable table;
  table.Data_Keyword = QStringList(1048576, u"окна"_qs);
  try {
    HandleResult(u"ok"_qs, u"jobdone"_qs, table, window, dir.path());
    ADD_FAILURE() << "the workbook was reported written";
  } catch (const std::runtime_error& error) {
    EXPECT_TRUE(QString::fromUtf8(error.what()).startsWith(u"Не удаётся записать файл \""_qs))
        << error.what();
    EXPECT_TRUE(QString::fromUtf8(error.what()).contains(u".xlsx\": "_qs)) << error.what();
  }
  const QStringList files = QDir(dir.path()).entryList(QDir::Files);
  ASSERT_EQ(files.size(), 1);
  EXPECT_TRUE(files[0].endsWith(u".csv"_qs));
  EXPECT_EQ(window.opened, QStringList{QDir(dir.path()).filePath(files[0])});
  EXPECT_EQ(window.Messages().last(), u"Открываем файл с результатами"_qs);
}

// Two final saves within one second (or a second job in the same folder) keep both results.
TEST(HandleResult, FinalSaveWithoutWorkbookNeverReplacesEarlierResults) {
  QTemporaryDir dir;
  FakeJobWindow window;
  for (int save = 0; save < 3; ++save)
    EXPECT_FALSE(HandleResult(u"ok"_qs, u"jobdone"_qs, OneRow(), window, dir.path(), false));
  const QStringList files = QDir(dir.path()).entryList(QDir::Files);
  EXPECT_EQ(files.size(), 3) << files.join(u' ').toStdString();
  for (const QString& file : files) EXPECT_TRUE(file.endsWith(u".csv")) << file.toStdString();
  EXPECT_EQ(window.opened.size(), 3);
  EXPECT_EQ(QSet<QString>(window.opened.begin(), window.opened.end()).size(), 3);
}

TEST(HandleResult, FinalSaveFailureIsRaisedWorkingSaveFailureIsLogged) {
  QTemporaryDir dir;
  const QString missing = QDir(dir.path()).filePath(u"gone"_qs);
  FakeJobWindow final;
  EXPECT_THROW(HandleResult(u"ok"_qs, u"jobdone"_qs, OneRow(), final, missing), std::runtime_error);
  EXPECT_TRUE(final.opened.isEmpty());
  EXPECT_EQ(final.Messages().size(), 2);

  FakeJobWindow working;
  EXPECT_FALSE(HandleResult(u"ok"_qs, u"savecurrent"_qs, OneRow(), working, missing));
  ASSERT_EQ(working.Messages().size(), 3);
  EXPECT_TRUE(
      working.Messages()[2].startsWith(u"Ошибка записи Не удаётся создать файл \"%1\": "_qs.arg(
          QDir::toNativeSeparators(QDir(missing).filePath(u"current.csv"_qs)))))
      << working.Messages()[2].toStdString();
}

}  // namespace
}  // namespace korvath
