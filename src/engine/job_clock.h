#pragma once

#include <chrono>
#include <cstdint>
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
  // As WaitUntil, but a real clock also ends the wait at the hold's next signal since `seen`
  // (JobHold::WaitForSignal). A clock that only jumps to its deadlines needs no more than that.
  virtual bool WaitForSignal(JobHold& hold, TimePoint deadline, std::uint64_t /*seen*/) {
    return WaitUntil(hold, deadline);
  }
};

// std::chrono::steady_clock with the hold's own condition-variable wait.
std::shared_ptr<JobClock> SteadyJobClock();

}  // namespace korvath
