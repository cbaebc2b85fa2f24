#include "engine/block_backoff.h"

#include <algorithm>

namespace korvath {

std::chrono::milliseconds BlockBackoff::Next(std::optional<std::chrono::seconds> retryAfter) {
  std::chrono::milliseconds wait = policy_.firstWait;
  for (int i = 0; i < row_ && wait < policy_.maxWait; ++i) wait *= 2;
  wait = std::min(wait, policy_.maxWait);
  ++row_;
  // "Retry-After" is the engine's hint, not an order: it may lengthen the wait, never past the
  // longest wait the user allows.
  if (retryAfter)
    wait = std::min(std::max<std::chrono::milliseconds>(wait, *retryAfter), policy_.maxWait);
  return wait;
}

}  // namespace korvath
