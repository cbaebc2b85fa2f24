#include "textutil/text_search.h"

#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvath {

namespace {

bool SameUnits(const char16_t* a, const char16_t* b, qsizetype count) {
  return std::memcmp(a, b, size_t(count) * sizeof(char16_t)) == 0;
}

#if defined(__SSE2__)
// Eight windows at a time: a window is a candidate when both its first and its last code unit
// match, which for markers in HTML rules out nearly every position in two compares.
qsizetype FindVectorised(const char16_t* text, qsizetype n, const char16_t* sub, qsizetype m,
                         qsizetype from) {
  const __m128i first = _mm_set1_epi16(static_cast<short>(sub[0]));
  const __m128i last = _mm_set1_epi16(static_cast<short>(sub[m - 1]));
  qsizetype i = from;
  for (; i + m - 1 + 8 <= n; i += 8) {
    const __m128i starts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
    const __m128i ends = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i + m - 1));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(
        _mm_and_si128(_mm_cmpeq_epi16(starts, first), _mm_cmpeq_epi16(ends, last))));
    while (mask != 0) {
      const int bit = __builtin_ctz(mask);
      const qsizetype candidate = i + bit / 2;
      if (SameUnits(text + candidate + 1, sub + 1, m - 2)) {
        return candidate;
      }
      mask &= ~(3u << bit);
    }
  }
  for (; i + m <= n; ++i) {
    if (text[i] == sub[0] && SameUnits(text + i + 1, sub + 1, m - 1)) {
      return i;
    }
  }
  return -1;
}
#endif

}  // namespace

qsizetype IndexOf(QStringView text, QStringView sub, qsizetype from) {
#if defined(__SSE2__)
  const qsizetype m = sub.size();
  if (m >= 2 && from >= 0 && from <= text.size() - m) {
    return FindVectorised(reinterpret_cast<const char16_t*>(text.utf16()), text.size(),
                          reinterpret_cast<const char16_t*>(sub.utf16()), m, from);
  }
#endif
  return text.indexOf(sub, from);
}

qsizetype LastIndexOf(QStringView text, QStringView sub) {
  const qsizetype m = sub.size();
  if (m == 0 || m > text.size()) {
    return -1;
  }
  if (m == 1) {
    return text.lastIndexOf(sub[0]);
  }
  // Reverse Horspool: the window moves right to left and skips to the nearest alignment that
  // could match the code unit under its start, so a marker near the front of a long block is
  // found without visiting every position after it.
  std::array<qsizetype, 256> skip;
  skip.fill(m);
  for (qsizetype j = m - 1; j >= 1; --j) {
    skip[sub[j].unicode() & 0xFF] = j;
  }
  for (qsizetype i = text.size() - m; i >= 0;) {
    const char16_t head = text[i].unicode();
    if (head == sub[0].unicode() && text.sliced(i + 1, m - 1) == sub.sliced(1)) {
      return i;
    }
    i -= skip[head & 0xFF];
  }
  return -1;
}

}  // namespace korvath
