#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "engine/job_clock.h"

namespace korvath {

// How a job paces its requests: at the interval the user set, or at one it learns per address.
struct PaceSettings {
  bool automatic = false;
  // The learned interval never goes below this.
  std::chrono::milliseconds floor{0};
  // Seeds the jitter, so that the pauses are the same in every run; each proxy adds its number.
  std::uint32_t seed = 0;
};

// Learns the interval one address may send at. The engine never says its limit, only blocks, so
// the controller searches between the longest interval that was blocked and the shortest that came
// through a run of answers clean: fast down while nothing is known, back to safety on a block,
// halving the gap until the two meet, and now and then trying a little faster, less often each time
// that was blocked, so that a limit that loosens is found again without paying a block wait often.
// Pure: the caller gives it the answers and the moments of blocks.
class PaceController {
 public:
  using Milliseconds = std::chrono::milliseconds;
  using TimePoint = JobClock::TimePoint;

  PaceController(Milliseconds start, Milliseconds floor, std::uint32_t seed);

  // Goes on from the interval an earlier job settled at, as if it had just settled there.
  void Resume(Milliseconds learned);
  // The interval learned so far, without jitter.
  Milliseconds Interval() const;
  // The pause before the next request: the interval, a little longer or shorter so that requests
  // do not go out like clockwork, never below the floor.
  Milliseconds Next();
  // A page or a card came.
  void Clean();
  // A block was met at `now`. Blocks without a clean answer between them, or close together (the
  // requests of one wave), are one event.
  void Blocked(TimePoint now);
  // The interval to tell the user about: the first time it settles, and whenever it has moved by
  // more than a quarter from the last one told.
  std::optional<Milliseconds> ToAnnounce();

 private:
  double interval_;
  double floor_;
  std::uint32_t random_;
  // The longest interval known blocked, and the shortest known clean since.
  std::optional<double> blocked_;
  std::optional<double> clean_;
  // Clean answers at the present interval, how many make it clean, and clean answers since the
  // last block.
  int cleanAnswers_ = 0;
  int proof_;
  int sinceBlock_ = 0;
  bool probing_ = false;
  int probeSpacing_;
  bool settled_ = false;
  std::optional<double> announced_;
  std::optional<TimePoint> lastBlock_;
  bool cleanSinceBlock_ = true;
  // Whether the pace was last made slower after a short clean run.
  bool eased_ = false;
};

}  // namespace korvath
