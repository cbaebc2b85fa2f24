#include "form_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStringDecoder>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

namespace korvath::testing {
namespace {

constexpr int kJobTimeoutMs = 120000;

// The demo search engine on a port of its own, stopped with the object.
class DemoEngine {
 public:
  explicit DemoEngine(const QStringList& options) {
    process_.setProgram(QStringLiteral(KORVATH_DEMO_ENGINE_PATH));
    process_.setArguments(options);
    process_.start();
    while (!process_.canReadLine() && process_.waitForReadyRead(kJobTimeoutMs)) {
    }
    origin_ = QString::fromUtf8(process_.readLine()).trimmed();
  }
  ~DemoEngine() {
    process_.kill();
    process_.waitForFinished();
  }
  const QString& Origin() const { return origin_; }

 private:
  QProcess process_;
  QString origin_;
};

class WindowJob : public FormTest {
 protected:
  WindowJob() : previousFolder_(QDir::currentPath()) {
    // The job writes the raw pages it receives to the working folder.
    QDir::setCurrent(Folder());
    WriteFile(u"regions.html"_qs, SmallCatalogue());
  }
  ~WindowJob() override { QDir::setCurrent(previousFolder_); }

  TMainForm& ShowFormFor(const DemoEngine& engine) {
    EXPECT_FALSE(engine.Origin().isEmpty());
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
  DemoEngine engine({u"--pages"_qs, u"2"_qs, u"--ads"_qs, u"3"_qs, u"--slow-ms"_qs, u"20"_qs});
  TMainForm& form = ShowFormFor(engine);
  auto& start = Control<QPushButton>("StartButton");

  start.click();
  ASSERT_TRUE(WaitForLog(u": Начинаем работу."_qs));
  EXPECT_FALSE(start.isEnabled());
  EXPECT_FALSE(Control<QPlainTextEdit>("KeywordsMemo").isEnabled());
  EXPECT_FALSE(Control<QTreeView>("RegionsTree").isEnabled());
  EXPECT_TRUE(Control<QSpinBox>("RetrySpinEdit").isEnabled());
  // A second click that slips in before the lock makes no second job.
  form.StartButtonClick();

  Control<QPushButton>("PauseButton").click();
  EXPECT_TRUE(form.Jobs().JobHeld());
  EXPECT_TRUE(WaitForLog(u": Включаем паузу"_qs));
  Control<QPushButton>("PauseButton").click();
  EXPECT_FALSE(form.Jobs().JobHeld());
  EXPECT_TRUE(WaitForLog(u": Отключаем паузу, продолжаем работу"_qs));

  ASSERT_TRUE(WaitForLog(u": Лог записан в файл "_qs));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !form.Jobs().JobRunning(); }, kJobTimeoutMs));
  EXPECT_TRUE(start.isEnabled());
  EXPECT_TRUE(Control<QPlainTextEdit>("KeywordsMemo").isEnabled());
  EXPECT_TRUE(Control<QTreeView>("RegionsTree").isEnabled());
  EXPECT_EQ(Control<QProgressBar>("ProgressBar").value(), 0);
  EXPECT_EQ(Control<QProgressBar>("StagesProgressBar").value(), 0);
  EXPECT_EQ(ProgramFiles(u"log-*.txt"_qs).size(), 1);

  const QStringList results = ProgramFiles(u"results-*.csv"_qs);
  ASSERT_EQ(results.size(), 1);
  ASSERT_EQ(openedDocuments_.size(), 1u);
  EXPECT_EQ(QFileInfo(openedDocuments_[0]).fileName(), results[0]);
  auto decode = QStringDecoder("windows-1251");
  const QString csv = decode(ReadFile(results[0]));
  QStringList rows = csv.split(u"\r\n"_qs);
  ASSERT_EQ(rows.takeLast(), QString());
  // The header, then 2 queries x 1 region x 2 pages x 3 ads.
  ASSERT_EQ(rows.size(), 1 + 12);
  EXPECT_EQ(rows.filter(u"\"труба\""_qs).size(), 6);
  EXPECT_EQ(rows.filter(u"\"газовые счетчики\""_qs).size(), 6);
  EXPECT_EQ(rows.filter(u"\"A\""_qs).size(), 12);
}

TEST_F(WindowJob, StopEndsTheJobWithItsLogFile) {
  DemoEngine engine({u"--pages"_qs, u"50"_qs, u"--ads"_qs, u"3"_qs, u"--slow-ms"_qs, u"20"_qs});
  TMainForm& form = ShowFormFor(engine);
  Control<QPushButton>("StartButton").click();
  ASSERT_TRUE(WaitForLog(u": Начинаем работу."_qs));
  Control<QPushButton>("StopButton").click();
  EXPECT_TRUE(WaitForLog(u": Останавливаем работу"_qs));
  ASSERT_TRUE(WaitForLog(u": Лог записан в файл "_qs));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !form.Jobs().JobRunning(); }, kJobTimeoutMs));
  EXPECT_TRUE(Control<QPushButton>("StartButton").isEnabled());
  EXPECT_EQ(ProgramFiles(u"log-*.txt"_qs).size(), 1);
  EXPECT_TRUE(ProgramFiles(u"results-*.csv"_qs).isEmpty());
}

TEST_F(WindowJob, ClosingMidRequestSavesInputsAndCutsTheJobOff) {
  // Every answer takes long enough for the window to be closed while a request is in flight.
  DemoEngine engine({u"--slow-ms"_qs, u"300"_qs});
  TMainForm& form = ShowFormFor(engine);
  Control<QPushButton>("StartButton").click();
  ASSERT_TRUE(WaitForLog(u": Начинаем работу."_qs));
  ASSERT_TRUE(form.close());
  EXPECT_TRUE(form.JobCutOffAtClose());
  EXPECT_FALSE(form.Jobs().JobRunning());
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
