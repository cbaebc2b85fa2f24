#include "engine/job_clock.h"

#include "engine/job_hold.h"

namespace korvath {
namespace {

class SteadyClock final : public JobClock {
 public:
  TimePoint Now() const override { return std::chrono::steady_clock::now(); }
  bool WaitUntil(JobHold& hold, TimePoint deadline) override { return hold.WaitUntil(deadline); }
  bool WaitForSignal(JobHold& hold, TimePoint deadline, std::uint64_t seen) override {
    return hold.WaitForSignal(deadline, seen);
  }
};

}  // namespace

std::shared_ptr<JobClock> SteadyJobClock() { return std::make_shared<SteadyClock>(); }

}  // namespace korvath
