#include "engine/pace_controller.h"

#include <algorithm>
#include <cmath>

namespace korvath {
namespace {

// While nothing has been blocked, each clean answer shortens the interval this much.
constexpr double kDescent = 0.25;
// Below this a shorter interval makes no difference: the descent goes to the floor.
constexpr double kSmallest = 20;
// A block at a shorter interval than this backs off from this.
constexpr double kBackoffBase = 50;
constexpr double kBackoff = 1.5;
// Clean answers in a row after which an interval counts as clean: at least this many, and twice
// as many as came clean before the last block, since a block wait empties the engine's count and
// an interval that is too short passes as many again before it is blocked; at most the longest.
constexpr int kProbeAnswers = 20;
constexpr int kLongestProof = 80;
// The search ends when the clean interval is this close above the blocked one.
constexpr double kConverged = 1.1;
// A try goes halfway to the blocked interval, but never faster than this share of the clean one:
// a block wait costs far more than a few answers at a slower pace.
constexpr double kLongestStep = 0.9;
// Once settled, a faster interval is tried after this many clean answers, doubled each time such a
// try was blocked, up to the longest spacing.
constexpr int kFirstProbeSpacing = 1000;
constexpr int kLongestProbeSpacing = 16000;
// How much faster that try reaches.
constexpr double kProbeReach = 0.9;
constexpr double kJitter = 0.1;
// Blocks within this span of the last counted one belong to its wave.
constexpr std::chrono::milliseconds kWaveSpan{250};

}  // namespace

PaceController::PaceController(Milliseconds start, Milliseconds floor, std::uint32_t seed)
    : interval_(double(std::max(start, floor).count())),
      floor_(double(floor.count())),
      random_(seed),
      proof_(kProbeAnswers),
      probeSpacing_(kFirstProbeSpacing) {}

void PaceController::Resume(Milliseconds learned) {
  interval_ = std::max(double(learned.count()), floor_);
  clean_ = interval_;
  blocked_ = interval_ / kConverged;
  settled_ = true;
  announced_ = interval_;
}

PaceController::Milliseconds PaceController::Interval() const {
  return Milliseconds(std::llround(interval_));
}

PaceController::Milliseconds PaceController::Next() {
  // A linear congruential step: the same seed gives the same pauses on every platform.
  random_ = random_ * 1664525u + 1013904223u;
  const double unit = double(random_ >> 8) / double(1u << 24);
  const double pause = interval_ * (1 + kJitter * (2 * unit - 1));
  return Milliseconds(std::llround(std::max(pause, floor_)));
}

void PaceController::Clean() {
  cleanSinceBlock_ = true;
  ++sinceBlock_;
  if (!blocked_) {
    interval_ = interval_ * kDescent < kSmallest ? floor_ : std::max(floor_, interval_ * kDescent);
    if (interval_ == floor_) settled_ = true;
    return;
  }
  if (++cleanAnswers_ < (settled_ && !probing_ ? probeSpacing_ : proof_)) return;
  cleanAnswers_ = 0;
  if (settled_ && !probing_) {
    // Settled for long enough: try whether the limit has loosened.
    probing_ = true;
    blocked_ = std::max(floor_, *clean_ * kProbeReach);
  } else {
    clean_ = interval_;
    if (probing_) probeSpacing_ = kFirstProbeSpacing;
    probing_ = false;
  }
  if (*clean_ <= *blocked_ * kConverged || *clean_ <= floor_) {
    interval_ = *clean_;
    settled_ = true;
    return;
  }
  interval_ = std::max({floor_, std::sqrt(*clean_ * *blocked_), *clean_ * kLongestStep});
  probing_ = settled_;
}

void PaceController::Blocked(TimePoint now) {
  if (!cleanSinceBlock_ || (lastBlock_ && now - *lastBlock_ < kWaveSpan)) return;
  cleanSinceBlock_ = false;
  lastBlock_ = now;
  // A run as long as the longest proof showed the pace holding before this block.
  const bool heldLong = sinceBlock_ >= kLongestProof;
  proof_ = std::clamp(2 * sinceBlock_, kProbeAnswers, kLongestProof);
  sinceBlock_ = 0;
  cleanAnswers_ = 0;
  if (probing_) probeSpacing_ = std::min(probeSpacing_ * 2, kLongestProbeSpacing);
  probing_ = false;
  blocked_ = std::max(interval_, kSmallest);
  // A clean interval at or below a blocked one was clean by chance (the jitter), only while a burst
  // the engine allows lasted, or under a limit that has since tightened. The pace first settles a
  // little slower; blocked again soon after, it begins the search again from a safe distance.
  if (clean_ && *clean_ <= *blocked_) {
    clean_.reset();
    if (heldLong || !eased_) {
      eased_ = !heldLong;
      clean_ = *blocked_ * kConverged;
      interval_ = *clean_;
      settled_ = true;
      return;
    }
    eased_ = false;
  }
  if (clean_) {
    // The clean interval needs no new proof: the search goes on halfway to the new block, and a
    // faster try that was blocked goes back to it.
    if (settled_ || *clean_ <= *blocked_ * kConverged) {
      interval_ = *clean_;
      settled_ = true;
    } else {
      interval_ = std::max(floor_, std::sqrt(*clean_ * *blocked_));
    }
    return;
  }
  interval_ = std::max(interval_, kBackoffBase) * kBackoff;
  settled_ = false;
}

std::optional<PaceController::Milliseconds> PaceController::ToAnnounce() {
  if (!settled_) return std::nullopt;
  if (announced_ && std::abs(interval_ - *announced_) <= *announced_ / 4) return std::nullopt;
  announced_ = interval_;
  return Interval();
}

}  // namespace korvath
