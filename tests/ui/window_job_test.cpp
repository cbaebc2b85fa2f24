#include "form_fixture.h"

#include "e2e/e2e_support.h"
#include "textutil/text_file.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

namespace korvath::testing {
namespace {

constexpr int kJobTimeoutMs = 120000;

class WindowJob : public FormTest {
 protected:
  WindowJob() : previousFolder_(QDir::currentPath()) {
    // The job writes the raw pages it receives to the working folder.
    QDir::setCurrent(Folder());
    WriteFile(u"regions.html"_qs, SmallCatalogue());
  }
  ~WindowJob() override { QDir::setCurrent(previousFolder_); }

  TMainForm& ShowFormFor(const e2e::DemoEngine& engine) {
    TMainForm& form = ShowForm(Folder(), engine.Origin());
    Control<QSpinBox>("IntervalSpinEdit").setValue(0);
    Control<QPlainTextEdit>("KeywordsMemo").setPlainText(u"труба\nгазовые счетчики"_qs);
    form.Regions().SetChecked(form.Regions().FirstTopLevel(), true);
    return form;
  }

  bool WaitForLog(const QString& part) {
    return QTest::qWaitFor(
        [&] { return Control<QPlainTextEdit>("LogsMemo").toPlainText().contains(part); },
        kJobTimeoutMs);
  }

  QStringList ProgramFiles(const QString& pattern) const {
    return QDir(Folder()).entryList({pattern}, QDir::Files);
  }

 private:
  QString previousFolder_;
};

TEST_F(WindowJob, StartPauseResumeAndFinishFromTheWindow) {
  e2e::DemoEngine engine({u"--pages"_qs, u"2"_qs, u"--ads"_qs, u"3"_qs, u"--slow-ms"_qs, u"20"_qs});
  TMainForm& form = ShowFormFor(engine);
  auto& start = Control<QPushButton>("StartButton");

  start.click();
  ASSERT_TRUE(WaitForLog(u": Начинаем работу."_qs));
  EXPECT_FALSE(start.isEnabled());
  EXPECT_FALSE(Control<QTreeView>("RegionsTree").isEnabled());
  EXPECT_TRUE(Control<QSpinBox>("RetrySpinEdit").isEnabled());
  // A second click that slips in before the lock makes no second job.
  form.StartButtonClick();

  EXPECT_FALSE(Control<QSpinBox>("WorkersSpinEdit").isEnabled());
  auto& pause = Control<QPushButton>("PauseButton");
  auto& runState = Control<QLabel>("RunStateLabel");
  // A held job looks held: the button stays down and the line says so.
  pause.click();
  EXPECT_TRUE(form.Jobs().JobHeld());
  EXPECT_TRUE(pause.isChecked());
  EXPECT_TRUE(runState.text().startsWith(u"На паузе · "_qs)) << runState.text().toStdString();
  pause.click();
  EXPECT_FALSE(form.Jobs().JobHeld());
  EXPECT_FALSE(pause.isChecked());
  EXPECT_FALSE(runState.text().startsWith(u"На паузе"_qs));
  EXPECT_TRUE(WaitForLog(u": Включаем паузу\n"_qs));
  EXPECT_TRUE(WaitForLog(u": Отключаем паузу, продолжаем работу"_qs));

  ASSERT_TRUE(QTest::qWaitFor([&] { return !form.Jobs().JobRunning(); }, kJobTimeoutMs));
  ASSERT_TRUE(QTest::qWaitFor([&] { return start.isEnabled(); }, kJobTimeoutMs));
  EXPECT_TRUE(Control<QTreeView>("RegionsTree").isEnabled());
  EXPECT_EQ(Control<QProgressBar>("StagesProgressBar").value(), 0);
  EXPECT_EQ(ProgramFiles(u"log-*.txt"_qs).size(), 1);
  EXPECT_TRUE(Control<QSpinBox>("WorkersSpinEdit").isEnabled());
  EXPECT_TRUE(runState.text().startsWith(u"Сбор завершён · строк 12 · "_qs))
      << runState.text().toStdString();

  const QStringList results = ProgramFiles(u"results-*.csv"_qs);
  ASSERT_EQ(results.size(), 1);
  ASSERT_EQ(openedDocuments_.size(), 1u);
  EXPECT_EQ(QFileInfo(openedDocuments_[0]).fileName(), results[0]);
  const QList<QStringList> rows = e2e::ReadCsv(QDir(Folder()).filePath(results[0]));
  // The header, then 2 queries x 1 region x 2 pages x 3 ads.
  ASSERT_EQ(rows.size(), 1 + 12);
  for (int row = 1; row < rows.size(); ++row) {
    EXPECT_EQ(rows[row].mid(0, 2),
              (QStringList{u"A"_qs, row <= 6 ? u"труба"_qs : u"газовые счетчики"_qs}));
  }
}

TEST_F(WindowJob, ResultsTabShowsRowsAsTheyEnterSortsAndOpensLinks) {
  e2e::DemoEngine engine({u"--pages"_qs, u"3"_qs, u"--ads"_qs, u"5"_qs, u"--slow-ms"_qs, u"30"_qs});
  TMainForm& form = ShowFormFor(engine);
  auto& tabs = Control<QTabWidget>("LogTabs");
  auto& view = Control<QTableView>("ResultsView");
  tabs.setCurrentWidget(&view);
  QAbstractItemModel& model = *view.model();
  Control<QPushButton>("StartButton").click();

  // Rows show while the job still runs, and so does the time left once a query is done.
  ASSERT_TRUE(QTest::qWaitFor([&] { return model.rowCount() > 0; }, kJobTimeoutMs));
  EXPECT_TRUE(form.Jobs().JobRunning());
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return Control<QLabel>("RunStateLabel").text().contains(u"до конца"_qs); },
      kJobTimeoutMs));
  EXPECT_TRUE(
      Control<QLabel>("RunStateLabel").text().contains(u" из 2 · регион 1 из 1 · строк "_qs))
      << Control<QLabel>("RunStateLabel").text().toStdString();
  EXPECT_TRUE(Control<QProgressBar>("ProgressBar").toolTip().contains(u"\nДо конца"_qs));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !form.Jobs().JobRunning(); }, kJobTimeoutMs));

  // Every row of the results file, in its order, with the count in the tab's title.
  const QStringList results = ProgramFiles(u"results-*.csv"_qs);
  ASSERT_EQ(results.size(), 1);
  const QList<QStringList> rows = e2e::ReadCsv(QDir(Folder()).filePath(results[0]));
  ASSERT_EQ(rows.size(), 1 + 30);
  ASSERT_TRUE(QTest::qWaitFor([&] { return model.rowCount() == 30; }, kJobTimeoutMs));
  EXPECT_EQ(tabs.tabText(1), u"Результаты (30)"_qs);
  EXPECT_EQ(tabs.tabText(0), u"Логи"_qs);
  for (int row = 0; row < 30; ++row) {
    for (int column = 0; column < 13; ++column) {
      EXPECT_EQ(model.index(row, column).data().toString(), rows[row + 1][column])
          << row << " " << column;
    }
  }
  EXPECT_FALSE(Control<QProgressBar>("ProgressBar").toolTip().contains(u"До конца"_qs));

  // A click on the header of "Позиция" sorts by it, as numbers; a second click turns it round.
  QHeaderView& header = *view.horizontalHeader();
  const QPoint positionHeader(header.sectionViewportPosition(2) + 5, header.height() / 2);
  QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, positionHeader);
  QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, positionHeader);
  const int first = model.index(0, 2).data().toInt();
  const int last = model.index(29, 2).data().toInt();
  EXPECT_EQ(std::max(first, last), 15);
  EXPECT_EQ(std::min(first, last), 1);

  // A double click on a site opens it; one on a title does nothing.
  int siteRow = 0;
  while (siteRow < 30 && !model.index(siteRow, 5).data().toString().contains(u'.')) ++siteRow;
  ASSERT_LT(siteRow, 30);
  const QString site = model.index(siteRow, 5).data().toString();
  // The view's own double click (what QTest's double click does not reach on every platform).
  for (const int column : {3, 5}) emit view.doubleClicked(model.index(siteRow, column));
  ASSERT_EQ(openedUrls_.size(), 1u) << site.toStdString();
  EXPECT_EQ(openedUrls_[0], QUrl(u"http://"_qs + site));
}

TEST_F(WindowJob, ClosingMidRequestSavesInputsAndCutsTheJobOff) {
  // Every answer takes long enough for the window to be closed while a request is in flight.
  e2e::DemoEngine engine({u"--slow-ms"_qs, u"300"_qs});
  TMainForm& form = ShowFormFor(engine);
  Control<QPushButton>("StartButton").click();
  ASSERT_TRUE(WaitForLog(u": Начинаем работу."_qs));
  ASSERT_TRUE(form.close());
  EXPECT_TRUE(form.JobCutOffAtClose());
  EXPECT_EQ(ReadFile(u"keywords.txt"_qs), EncodeLocal8Bit(u"труба\r\nгазовые счетчики\r\n"));
  EXPECT_EQ(ReadFile(u"selection1.txt"_qs), EncodeLocal8Bit(u"A (10)\r\n"));
  const int logLines = LogLines().size();
  // Whatever the job does once its request returns, it no longer reaches the window.
  QTest::qWait(1000);
  EXPECT_EQ(LogLines().size(), logLines);
  EXPECT_TRUE(ProgramFiles(u"log-*.txt"_qs).isEmpty());
  EXPECT_TRUE(ProgramFiles(u"results-*.csv"_qs).isEmpty());
}

}  // namespace
}  // namespace korvath::testing
