#include "form_fixture.h"

#include "e2e/e2e_support.h"

#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
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

  Control<QPushButton>("PauseButton").click();
  EXPECT_TRUE(form.Jobs().JobHeld());
  Control<QPushButton>("PauseButton").click();
  EXPECT_FALSE(form.Jobs().JobHeld());
  EXPECT_TRUE(WaitForLog(u": Включаем паузу\n"_qs));
  EXPECT_TRUE(WaitForLog(u": Отключаем паузу, продолжаем работу"_qs));

  ASSERT_TRUE(QTest::qWaitFor([&] { return !form.Jobs().JobRunning(); }, kJobTimeoutMs));
  ASSERT_TRUE(QTest::qWaitFor([&] { return start.isEnabled(); }, kJobTimeoutMs));
  EXPECT_TRUE(Control<QTreeView>("RegionsTree").isEnabled());
  EXPECT_EQ(Control<QProgressBar>("StagesProgressBar").value(), 0);
  EXPECT_EQ(ProgramFiles(u"log-*.txt"_qs).size(), 1);

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

TEST_F(WindowJob, ClosingMidRequestSavesInputsAndCutsTheJobOff) {
  // Every answer takes long enough for the window to be closed while a request is in flight.
  e2e::DemoEngine engine({u"--slow-ms"_qs, u"300"_qs});
  TMainForm& form = ShowFormFor(engine);
  Control<QPushButton>("StartButton").click();
  ASSERT_TRUE(WaitForLog(u": Начинаем работу."_qs));
  ASSERT_TRUE(form.close());
  EXPECT_TRUE(form.JobCutOffAtClose());
  EXPECT_EQ(ReadFile(u"keywords.txt"_qs), "труба\r\nгазовые счетчики\r\n");
  EXPECT_EQ(ReadFile(u"selection1.txt"_qs), "A (10)\r\n");
  const int logLines = LogLines().size();
  // Whatever the job does once its request returns, it no longer reaches the window.
  QTest::qWait(1000);
  EXPECT_EQ(LogLines().size(), logLines);
  EXPECT_TRUE(ProgramFiles(u"log-*.txt"_qs).isEmpty());
  EXPECT_TRUE(ProgramFiles(u"results-*.csv"_qs).isEmpty());
}

}  // namespace
}  // namespace korvath::testing
