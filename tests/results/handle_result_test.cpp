#include "results/handle_result.h"
#include "fake_job_window.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "results/qt_printers.h"

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
  bool workingFile;
};

class HandleResultOutcome : public testing::TestWithParam<OutcomeCase> {};

TEST_P(HandleResultOutcome, LogsSavesAndHoldsAsTheWordsSay) {
  const OutcomeCase& c = GetParam();
  QTemporaryDir dir;
  FakeJobWindow window;
  const bool held =
      HandleResult(c.result, c.resulttype, c.rows ? OneRow() : ResultTable{}, window, dir.path());
  EXPECT_EQ(held, c.held);
  EXPECT_EQ(window.timerStarts, c.held ? 1 : 0);
  EXPECT_EQ(window.Messages(), c.messages);
  EXPECT_EQ(QFile::exists(QDir(dir.path()).filePath(u"current.csv"_qs)), c.workingFile);
  EXPECT_TRUE(window.opened.isEmpty());
}

const QStringList kPause = {u"Ошибка: ERROR_connection reset"_qs,
                            u"Включаем паузу на 15 секунд"_qs};
const QStringList kWorkingSave = {u"Часть сбора данных завершена"_qs,
                                  u"Сохраняем данные в файл current.csv"_qs};

INSTANTIATE_TEST_SUITE_P(
    Words, HandleResultOutcome,
    testing::Values(
        OutcomeCase{"ErrorPauses", u"ERROR_connection reset"_qs, u"savecurrent"_qs, true, kPause,
                    true, false},
        OutcomeCase{"NotFoundPassesSilently",
                    u"ERROR_HTTP/1.1 404 Not Found"_qs,
                    u"jobdone"_qs,
                    true,
                    {},
                    false,
                    false},
        OutcomeCase{"RepeatPassesSilently", u"ERROR_Повтор"_qs, u""_qs, true, {}, false, false},
        OutcomeCase{"NotFoundInOtherCasePauses",
                    u"ERROR_404 not found"_qs,
                    u""_qs,
                    false,
                    {u"Ошибка: ERROR_404 not found"_qs, u"Включаем паузу на 15 секунд"_qs},
                    true,
                    false},
        OutcomeCase{"WorkingSave", u"ok"_qs, u"savecurrent"_qs, true, kWorkingSave, false, true},
        OutcomeCase{"WorkingSaveOfEmptyTableDoesNothing",
                    u"ok"_qs,
                    u"savecurrent"_qs,
                    false,
                    {},
                    false,
                    false},
        OutcomeCase{
            "FinalSaveOfEmptyTableDoesNothing", u"ok"_qs, u"jobdone"_qs, false, {}, false, false},
        OutcomeCase{"UnknownTypeDoesNothing", u"ok"_qs, u"SaveCurrent"_qs, true, {}, false, false}),
    [](const testing::TestParamInfo<OutcomeCase>& info) { return info.param.name; });

TEST(HandleResult, FinalSaveWritesResultsFileAndAsksToOpenIt) {
  QTemporaryDir dir;
  FakeJobWindow window;
  EXPECT_FALSE(HandleResult(u"ok"_qs, u"jobdone"_qs, OneRow(), window, dir.path()));

  const QStringList files = QDir(dir.path()).entryList(QDir::Files);
  ASSERT_EQ(files.size(), 1);
  EXPECT_TRUE(files[0].startsWith(u"results-"));
  EXPECT_EQ(window.Messages(), (QStringList{u"Сбор данных завершен"_qs,
                                            u"Сохраняем данные в файл Excel: "_qs + files[0],
                                            u"Открываем файл с результатами"_qs}));
  EXPECT_EQ(window.opened, QStringList{QDir(dir.path()).filePath(files[0])});
}

TEST(HandleResult, FinalSaveFailureIsRaisedAndNothingOpened) {
  QTemporaryDir dir;
  FakeJobWindow window;
  const QString missing = QDir(dir.path()).filePath(u"gone"_qs);
  EXPECT_THROW(HandleResult(u"ok"_qs, u"jobdone"_qs, OneRow(), window, missing),
               std::runtime_error);
  EXPECT_TRUE(window.opened.isEmpty());
  EXPECT_EQ(window.Messages().size(), 2);
}

TEST(HandleResult, WorkingSaveFailureIsLoggedAndTheJobGoesOn) {
  QTemporaryDir dir;
  FakeJobWindow window;
  const QString missing = QDir(dir.path()).filePath(u"gone"_qs);
  EXPECT_FALSE(HandleResult(u"ok"_qs, u"savecurrent"_qs, OneRow(), window, missing));
  const QStringList messages = window.Messages();
  ASSERT_EQ(messages.size(), 3);
  EXPECT_TRUE(messages[2].startsWith(u"Ошибка записи Cannot create file \"%1\". "_qs.arg(
      QDir(missing).filePath(u"current.csv"_qs))))
      << messages[2].toStdString();
}

TEST(HandleResult, EmptyTableLeavesEarlierWorkingFileAlone) {
  QTemporaryDir dir;
  const QString path = QDir(dir.path()).filePath(u"current.csv"_qs);
  QFile old(path);
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("earlier job");
  old.close();
  FakeJobWindow window;
  HandleResult(u"ok"_qs, u"savecurrent"_qs, ResultTable{}, window, dir.path());
  ASSERT_TRUE(old.open(QIODevice::ReadOnly));
  EXPECT_EQ(old.readAll(), "earlier job");
}

}  // namespace
}  // namespace korvath
