#pragma once

#include <chrono>
#include <memory>

namespace korvath {

class JobHold;

// The monotonic time the job paces its requests by, and the waits measured in it. Tests put a
// clock of their own here so that pacing can be checked without sleeping.
class JobClock {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;

  virtual ~JobClock() = default;
  virtual TimePoint Now() const = 0;
  // Waits on `hold` until `deadline` by this clock (see JobHold::WaitUntil); returns whether a stop
  // was requested.
  virtual bool WaitUntil(JobHold& hold, TimePoint deadline) = 0;
};

// std::chrono::steady_clock with the hold's own condition-variable wait.
std::shared_ptr<JobClock> SteadyJobClock();

}  // namespace korvath
