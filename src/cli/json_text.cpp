#include "cli/json_text.h"

#include <cstdio>

namespace korvath {

namespace {

void AppendEscape(QByteArray& out, char16_t unit) {
  char escape[7];
  std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(unit));
  out.append(escape, 6);
}

}  // namespace

QByteArray JsonString(QStringView text) {
  QByteArray out;
  out.reserve(text.size() + 2);
  out.append('"');
  qsizetype plainStart = 0;
  const auto flushPlain = [&](qsizetype end) {
    out.append(text.sliced(plainStart, end - plainStart).toUtf8());
  };
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i].unicode();
    const bool pairedHigh =
        QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate();
    if (pairedHigh) {
      ++i;
      continue;
    }
    // A byte-order mark is escaped too: some readers drop it silently when it comes as UTF-8.
    const bool escaped = QChar::isSurrogate(unit) || unit == 0xFEFF;
    if (unit >= 0x20 && unit != u'"' && unit != u'\\' && !escaped) {
      continue;
    }
    flushPlain(i);
    plainStart = i + 1;
    if (unit == u'"') {
      out.append("\\\"");
    } else if (unit == u'\\') {
      out.append("\\\\");
    } else {
      AppendEscape(out, unit);
    }
  }
  flushPlain(text.size());
  out.append('"');
  return out;
}

}  // namespace korvath
