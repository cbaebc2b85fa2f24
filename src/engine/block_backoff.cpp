#include "engine/block_backoff.h"

#include <algorithm>

namespace korvath {

std::chrono::milliseconds BlockBackoff::Next(std::optional<std::chrono::seconds> retryAfter) {
  std::chrono::milliseconds wait = policy_.firstWait;
  for (int i = 0; i < row_ && wait < policy_.maxWait; ++i) wait *= 2;
  wait = std::min(wait, policy_.maxWait);
  ++row_;
  if (retryAfter) wait = std::max<std::chrono::milliseconds>(wait, *retryAfter);
  return wait;
}

}  // namespace korvath
