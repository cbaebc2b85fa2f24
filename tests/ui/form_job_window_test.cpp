#include "form_fixture.h"

#include "platform/work_thread.h"
#include "ui/form_job_window.h"
#include "ui/memo_lines.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTreeView>

#include <gtest/gtest.h>

#include <thread>

namespace korvath {
namespace {

// Makes the application before any widget of the fixture.
struct WithApplication {
  WithApplication() { testing::EnsureApplication(); }
};

class FormJobWindowTest : public ::testing::Test, private WithApplication {
 protected:
  FormJobWindowTest() {
    window_ = std::make_unique<FormJobWindow>(
        &host_,
        JobControls{&logs_, &keywords_, &tree_, &start_, &cap_, &interval_, &limit_, &retry_,
                    &regionsBar_, &stagesBar_},
        jobControl_, [](const QString&) {});
  }

  QWidget host_;
  QPlainTextEdit logs_{&host_};
  QPlainTextEdit keywords_{&host_};
  QTreeView tree_{&host_};
  QPushButton start_{&host_};
  QCheckBox cap_{&host_};
  QSpinBox interval_{&host_};
  QSpinBox limit_{&host_};
  QSpinBox retry_{&host_};
  QProgressBar regionsBar_{&host_};
  QProgressBar stagesBar_{&host_};
  JobControl jobControl_;
  std::unique_ptr<FormJobWindow> window_;
};

TEST_F(FormJobWindowTest, EntryStartingWithLineBreaksTakesSeveralLines) {
  EXPECT_TRUE(window_->LogLines().isEmpty());
  window_->AppendLogEntry(u"first"_qs);
  window_->AppendLogEntry(u"09.12.2026 14:00:00: \r\n\r\nquery, region"_qs);
  EXPECT_EQ(window_->LogLines(), (QStringList{u"first"_qs, u"09.12.2026 14:00:00: "_qs, QString(),
                                              u"query, region"_qs}));
  window_->ClearLog();
  EXPECT_TRUE(window_->LogLines().isEmpty());
}

// The job reads these from its own thread at every ad, so an edit must reach it without a
// hand-off.
TEST_F(FormJobWindowTest, SettingsChangedWhileAJobRunsArePublished) {
  interval_.setValue(3);
  retry_.setValue(20);
  limit_.setValue(10);
  cap_.setChecked(true);
  WorkThread job([&] {
    EXPECT_EQ(window_->IntervalSeconds(), 3);
    EXPECT_EQ(window_->RetryCount(), 20);
    EXPECT_EQ(window_->CapValue(), 10);
    EXPECT_TRUE(window_->CapEnabled());
  });
  job.Join();
  limit_.setValue(2);
  cap_.setChecked(false);
  EXPECT_EQ(window_->CapValue(), 2);
  EXPECT_FALSE(window_->CapEnabled());
}

TEST_F(FormJobWindowTest, BarWithNothingToCountIsEmptyNotBusy) {
  window_->ShowProgress(ProgressBarId::Stages, 0, 0, u"0 из 0, осталось 0"_qs);
  EXPECT_EQ(window_->ProgressMaximum(ProgressBarId::Stages), 0);
  // Qt draws a bar whose range is 0..0 as a busy indicator.
  EXPECT_GT(stagesBar_.maximum(), stagesBar_.minimum());
  EXPECT_EQ(stagesBar_.value(), 0);
}

// A reader who has scrolled up keeps their place as lines come; back at the end, the log follows.
TEST_F(FormJobWindowTest, LogFollowsItsEndOnlyWhileTheReaderIsThere) {
  logs_.setGeometry(0, 0, 300, 80);
  host_.show();
  QScrollBar& scroll = *logs_.verticalScrollBar();
  for (int i = 0; i < 50; ++i) window_->AppendLogEntry(u"line %1"_qs.arg(i));
  ASSERT_GT(scroll.maximum(), 10);
  EXPECT_EQ(scroll.value(), scroll.maximum());
  scroll.setValue(5);
  for (int i = 0; i < 5; ++i) window_->AppendLogEntry(u"more"_qs);
  EXPECT_EQ(scroll.value(), 5);
  scroll.setValue(scroll.maximum());
  window_->AppendLogEntry(u"last"_qs);
  EXPECT_EQ(scroll.value(), scroll.maximum());
}

// While a job learns its pace, the box in the interval's place shows it to a tenth of a second;
// the interval box keeps the pause the next job starts from.
TEST_F(FormJobWindowTest, ShowsTheLearnedPaceWhileAnAutomaticJobRuns) {
  QCheckBox automatic(&host_);
  QDoubleSpinBox pace(&host_);
  FormJobWindow shown(
      &host_,
      {&logs_, &keywords_, &tree_, &start_, &cap_, &interval_, &limit_, &retry_, &regionsBar_,
       &stagesBar_, nullptr, nullptr, nullptr, nullptr, &automatic, &pace},
      jobControl_, [](const QString&) {});
  pace.setDecimals(1);
  interval_.setValue(3);
  automatic.setChecked(true);
  shown.SetInputsEnabled(false);
  EXPECT_TRUE(interval_.isHidden() && !pace.isHidden());
  EXPECT_EQ(pace.value(), 3);
  JobStatus status;
  status.pace = std::chrono::milliseconds(1440);
  shown.ShowJobStatus(status);
  EXPECT_DOUBLE_EQ(pace.value(), 1.4);
  shown.SetInputsEnabled(true);
  EXPECT_TRUE(!interval_.isHidden() && pace.isHidden() && interval_.value() == 3);
}

struct MemoCase {
  const char* text;
  QStringList lines;
};

class QueryLines : public FormJobWindowTest, public ::testing::WithParamInterface<MemoCase> {};

TEST_P(QueryLines, LineEndsAtLineBreakOnly) {
  keywords_.setPlainText(QString::fromUtf8(GetParam().text));
  ASSERT_EQ(window_->QueryLineCount(), GetParam().lines.size());
  for (int i = 0; i < GetParam().lines.size(); ++i) {
    EXPECT_EQ(window_->QueryLine(i), GetParam().lines[i]);
  }
  EXPECT_EQ(MemoLines(keywords_), GetParam().lines);
  // Writing the lines back gives the same lines.
  SetMemoLines(keywords_, GetParam().lines);
  EXPECT_EQ(MemoLines(keywords_), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, QueryLines,
    ::testing::Values(
        MemoCase{"", {}}, MemoCase{"труба", {u"труба"_qs}}, MemoCase{"труба\n", {u"труба"_qs}},
        MemoCase{"a\n\nb", {u"a"_qs, QString(), u"b"_qs}}, MemoCase{"a\n\n", {u"a"_qs, QString()}},
        MemoCase{"\n", {QString()}}, MemoCase{"\n\n", {QString(), QString()}},
        // Long lines wrap on screen only.
        MemoCase{"очень длинный запрос очень длинный запрос очень длинный запрос "
                 "очень длинный запрос очень длинный запрос очень длинный запрос",
                 {u"очень длинный запрос очень длинный запрос очень длинный запрос "
                  u"очень длинный запрос очень длинный запрос очень длинный запрос"_qs}}));

}  // namespace
}  // namespace korvath
