#pragma once

#include <chrono>
#include <optional>

#include "engine/job_clock.h"

namespace korvath {

class JobHold;

// The pace of one address (the job's own, or one proxy's): the engine counts requests per address,
// so the interval runs from the end of the last request that went out through it.
class Pacer {
 public:
  using TimePoint = JobClock::TimePoint;

  // Waits until `interval` has passed since the last request ended; returns whether a stop was
  // requested meanwhile. The first request of an address goes out at once.
  bool WaitTurn(JobClock& clock, JobHold& hold, std::chrono::milliseconds interval) const;
  void RequestEnded(TimePoint end) { lastEnd_ = end; }
  std::optional<TimePoint> LastEnd() const { return lastEnd_; }

 private:
  std::optional<TimePoint> lastEnd_;
};

}  // namespace korvath
