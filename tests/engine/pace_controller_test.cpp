#include "engine/pace_controller.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <optional>
#include <set>
#include <sstream>
#include <string>

namespace korvath {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

struct PaceCase {
  const char* name;
  int start;
  int floor;
  // Space-separated answers: "c" a clean one, "20c" twenty of them, "b" a block, "w" ten seconds.
  const char* answers;
  int interval;
  // The last interval told to the user; -1 for none.
  int announced;
  // The pace an earlier job settled at; -1 for none.
  int learned = -1;
};

const PaceCase kPaceCases[] = {
    {"clean answers shorten it", 1000, 0, "2c", 63, -1},
    {"never below the floor", 1000, 500, "5c", 500, 500},
    {"a block backs off", 1000, 0, "b", 1500, -1},
    {"a block at no interval backs off from a base", 0, 0, "b", 75, -1},
    {"blocks with no clean answer between are one", 1000, 0, "b w b w b", 1500, -1},
    {"blocks of one wave are one", 1000, 0, "b c b", 1500, -1},
    {"a later block backs off again", 1000, 0, "b c w b", 2250, -1},
    {"a clean run steps a tenth toward the block", 1000, 0, "b 20c", 1350, -1},
    {"a block in the search tries halfway again", 1000, 0, "b 20c w b", 1423, -1},
    {"a run a block ended must pass twice over", 1000, 0, "40c b 79c", 75, 0},
    {"a run twice as long as the blocked one is clean", 1000, 0, "40c b 80c", 68, 0},
    {"a block close above the clean interval settles", 1000, 0, "b 20c 20c 20c 20c w b", 1102,
     1102},
    {"settles where the gap closes", 1000, 0, "b 20c 20c 20c 20c 20c", 1050, 1050},
    {"a pace blocked after a long clean run settles a little slower", 1000, 0,
     "b 20c 20c 20c 20c 20c w b", 1155, 1050},
    {"a pace blocked after a short clean run settles a little slower once", 1000, 0,
     "b 20c 20c 20c 20c 20c w b 20c w b", 1270, 1050},
    {"a pace blocked soon after that starts the search again", 1000, 0,
     "b 20c 20c 20c 20c 20c w b 20c w b 20c w b", 1906, 1050},
    {"a try that held moves the pace down", 1000, 0, "b 20c 20c 20c 20c 20c 1000c 20c", 996, 1050},
    {"a try that was blocked goes back", 1000, 0, "b 20c 20c 20c 20c 20c 1000c w b", 1050, 1050},
    {"a try never reaches under the floor", 1000, 1000, "b 20c 20c 20c 20c 20c 1000c", 1050, 1050},
    {"a learned pace is kept", 3000, 0, "20c", 400, -1, 400},
    {"a learned pace that is blocked settles a little slower", 3000, 0, "w b", 440, -1, 400},
    {"a learned pace blocked again soon is learned again", 3000, 0, "w b c w b", 660, -1, 400},
};

TEST(PaceController, LearnsFromAnswers) {
  for (const PaceCase& c : kPaceCases) {
    SCOPED_TRACE(c.name);
    PaceController pace(milliseconds(c.start), milliseconds(c.floor), 1);
    if (c.learned >= 0) pace.Resume(milliseconds(c.learned));
    JobClock::TimePoint now{};
    std::optional<milliseconds> announced;
    std::istringstream answers(c.answers);
    for (std::string answer; answers >> answer;) {
      const int times = answer.size() > 1 ? std::stoi(answer) : 1;
      for (int i = 0; i < times; ++i) {
        if (answer.back() == 'c') pace.Clean();
        if (answer.back() == 'b') pace.Blocked(now);
        if (answer.back() == 'w') now += seconds(10);
        if (const std::optional<milliseconds> told = pace.ToAnnounce()) announced = told;
      }
    }
    EXPECT_EQ(pace.Interval(), milliseconds(c.interval));
    EXPECT_EQ(announced ? int(announced->count()) : -1, c.announced);
  }
}

TEST(PaceController, JittersWithinATenthAndNeverUnderTheFloor) {
  PaceController pace(milliseconds(1000), milliseconds(950), 7);
  PaceController same(milliseconds(1000), milliseconds(950), 7);
  std::set<milliseconds> seen;
  for (int i = 0; i < 200; ++i) seen.insert(pace.Next());
  EXPECT_TRUE(seen.contains(same.Next()) && seen.size() > 20);
  EXPECT_TRUE(*seen.begin() >= milliseconds(950) && *seen.rbegin() <= milliseconds(1100));
}

// More than `limit` requests within a second are blocked, and the block wait empties the window.
TEST(PaceController, SettlesNearALimitThatHalvesWithFewBlocks) {
  PaceController pace(milliseconds(3000), milliseconds(0), 3);
  std::deque<double> sent;
  double now = 0;
  int blocks = 0;
  constexpr int kRequests = 6000;
  for (int i = 0; i < kRequests; ++i) {
    now += double(pace.Next().count()) + 10;
    while (!sent.empty() && sent.front() <= now - 1000) sent.pop_front();
    sent.push_back(now);
    if (int(sent.size()) <= (i < kRequests / 2 ? 8 : 4)) {
      pace.Clean();
      continue;
    }
    ++blocks;
    pace.Blocked(JobClock::TimePoint(milliseconds(std::llround(now))));
    now += 60000;
    sent.clear();
  }
  EXPECT_LE(blocks, kRequests / 50);
  EXPECT_GE(pace.Interval(), milliseconds(240));
  EXPECT_LE(pace.Interval(), milliseconds(300));
}

}  // namespace
}  // namespace korvath
