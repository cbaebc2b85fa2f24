#include "textutil/text_search.h"

#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

// The fast searches against Qt's search and a plain backward scan. The first byte sets the
// length of the marker, taken from the front of the text; the other bytes, in pairs, are the
// text's code units, so units that share a low byte meet often.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) {
    return 0;
  }
  QString text;
  for (size_t i = 1; i + 1 < size; i += 2) {
    text += QChar(char16_t(data[i] | (data[i + 1] % 2) << 8));
  }
  const QStringView sub = QStringView(text).first(std::min<qsizetype>(data[0] % 40, text.size()));
  for (qsizetype from = 0; from <= text.size(); from += 7) {
    if (korvath::IndexOf(text, sub, from) != QStringView(text).indexOf(sub, from)) {
      std::abort();
    }
  }
  const QStringView tail = QStringView(text).sliced(1);
  qsizetype last = -1;
  for (qsizetype i = tail.size() - sub.size(); i >= 0 && !sub.isEmpty(); --i) {
    if (tail.sliced(i, sub.size()) == sub) {
      last = i;
      break;
    }
  }
  if (korvath::LastIndexOf(tail, sub) != last) {
    std::abort();
  }
  return 0;
}
