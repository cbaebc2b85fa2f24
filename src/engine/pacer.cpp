#include "engine/pacer.h"

#include "results/job_status_text.h"

namespace korvath {

bool Pacer::WaitTurn(JobClock& clock, JobHold& hold, std::chrono::milliseconds interval) const {
  return lastEnd_ && clock.WaitUntil(hold, *lastEnd_ + interval);
}

void Pacer::AnswerCame() {
  if (controller_) controller_->Clean();
}

void Pacer::Blocked(TimePoint now) {
  if (controller_) controller_->Blocked(now);
}

std::optional<Pacer::Milliseconds> Pacer::Learned() const {
  if (!controller_) return std::nullopt;
  return controller_->Interval();
}

std::optional<Pacer::Milliseconds> Pacer::ToAnnounce() {
  if (!controller_) return std::nullopt;
  return controller_->ToAnnounce();
}

QString PaceLine(std::chrono::milliseconds pace, const QString& address) {
  return u"Подобрали паузу "_qs + PaceText(pace) + u" для адреса "_qs + address;
}

}  // namespace korvath
