#include "results/progress.h"
#include "fake_job_window.h"

#include <gtest/gtest.h>

namespace korvath {
namespace {

TEST(Progress, ClampsIntoBarAndHintsFromClampedValues) {
  struct Case {
    int maximum, position, shownMaximum, shownPosition;
    const char* hint;
  };
  const Case cases[] = {
      {10, 3, 10, 3, "3 из 10, осталось 7"},
      {5, 9, 5, 5, "5 из 5, осталось 0"},
      {5, -2, 5, 0, "0 из 5, осталось 5"},
      {-3, 1, 0, 0, "0 из 0, осталось 0"},
  };
  for (const Case& c : cases) {
    FakeJobWindow window;
    UpdateStagesProgressBar(window, c.maximum, c.position);
    ASSERT_EQ(window.shown.size(), 1u);
    EXPECT_EQ(window.shown[0].bar, ProgressBarId::Stages);
    EXPECT_EQ(window.shown[0].maximum, c.shownMaximum);
    EXPECT_EQ(window.shown[0].position, c.shownPosition);
    EXPECT_EQ(window.shown[0].hint, QString::fromUtf8(c.hint));
  }
}

TEST(Progress, OnlyRegionsBarLetsPendingEventsRunAfterShowing) {
  FakeJobWindow window;
  UpdateProgressBar(window, 20, 12);
  UpdateStagesProgressBar(window, 4, 1);
  EXPECT_EQ(window.events, (QStringList{u"show"_qs, u"process"_qs, u"show"_qs}));
  EXPECT_EQ(window.shown[0].bar, ProgressBarId::Regions);
}

}  // namespace
}  // namespace korvath
