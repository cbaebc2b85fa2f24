#pragma once

#include <chrono>
#include <optional>

namespace korvath {

// How a job meets the engine's blocks: how long it waits after the first of a row, how long at
// most, and whether it waits at all.
struct BlockPolicy {
  std::chrono::milliseconds firstWait{60000};
  std::chrono::milliseconds maxWait{30 * 60000};
  // End the job at the first block instead of waiting it out.
  bool stopOnBlock = false;
};

// The waits after blocks in a row: the first wait, doubled with each further block up to the
// maximum; an answer that is no block ends the row.
class BlockBackoff {
 public:
  explicit BlockBackoff(const BlockPolicy& policy) : policy_(policy) {}

  // The wait after one more block; never shorter than the answer's own "Retry-After", unless
  // that is longer than the maximum.
  std::chrono::milliseconds Next(std::optional<std::chrono::seconds> retryAfter = {});
  void EndRow() { row_ = 0; }
  int Row() const { return row_; }

 private:
  BlockPolicy policy_;
  int row_ = 0;
};

}  // namespace korvath
