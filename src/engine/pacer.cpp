#include "engine/pacer.h"

namespace korvath {

bool Pacer::WaitTurn(JobClock& clock, JobHold& hold, std::chrono::milliseconds interval) const {
  return lastEnd_ && clock.WaitUntil(hold, *lastEnd_ + interval);
}

}  // namespace korvath
