#pragma once

#include <QString>

#include <chrono>
#include <optional>

#include "engine/job_clock.h"
#include "engine/pace_controller.h"

namespace korvath {

class JobHold;

// The pace of one address (the job's own, or one proxy's): the engine counts requests per address,
// so the interval runs from the end of the last request that went out through it. With an
// automatic pace the address learns its own interval from what its answers say.
class Pacer {
 public:
  using TimePoint = JobClock::TimePoint;
  using Milliseconds = std::chrono::milliseconds;

  Pacer() = default;
  explicit Pacer(const PaceController& controller) : controller_(controller) {}

  // Waits until `interval` has passed since the last request ended; returns whether a stop was
  // requested meanwhile. The first request of an address goes out at once.
  bool WaitTurn(JobClock& clock, JobHold& hold, Milliseconds interval) const;
  void RequestEnded(TimePoint end) { lastEnd_ = end; }
  std::optional<TimePoint> LastEnd() const { return lastEnd_; }

  // The pause before the next request: the learned one when the pace is automatic, else `fixed`.
  Milliseconds Interval(Milliseconds fixed) { return controller_ ? controller_->Next() : fixed; }
  // A page or a card came, or a block was met, through this address.
  void AnswerCame();
  void Blocked(TimePoint now);
  // The learned interval; none with a fixed pace.
  std::optional<Milliseconds> Learned() const;
  // The learned interval when it is news for the log (see PaceController::ToAnnounce).
  std::optional<Milliseconds> ToAnnounce();

 private:
  std::optional<TimePoint> lastEnd_;
  std::optional<PaceController> controller_;
};

// "Подобрали паузу 1,4 с для адреса 127.0.0.1:8001": the log line of a pace that settled or moved.
QString PaceLine(std::chrono::milliseconds pace, const QString& address);

}  // namespace korvath
