#pragma once

#include <cstdint>

namespace korvath::demo {

// Spreads neighbouring numbers far apart, so names picked from small tables vary between
// queries and cards rather than following the position alone.
inline std::uint64_t Mixed(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

}  // namespace korvath::demo
