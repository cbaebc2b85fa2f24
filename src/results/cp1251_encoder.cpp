#include "results/cp1251_encoder.h"

#include "textutil/windows1251.h"

#include <QString>

namespace korvath {
namespace {

// What stands in for a character the code page lacks: the mappable letters of its
// compatibility decomposition with combining marks dropped, or "?" when any part has no byte.
void AppendSubstitute(char32_t codePoint, QByteArray& out) {
  const QString decomposed =
      QString::fromUcs4(&codePoint, 1).normalized(QString::NormalizationForm_KD);
  QByteArray bytes;
  for (const QChar c : decomposed) {
    if (c.category() == QChar::Mark_NonSpacing) continue;
    const char byte = Windows1251Byte(c.unicode());
    if (byte == 0) {
      out += '?';
      return;
    }
    bytes += byte;
  }
  out += bytes.isEmpty() ? QByteArray("?") : bytes;
}

}  // namespace

void Cp1251Encoder::Encode(QStringView text, bool last, QByteArray& out) {
  const qsizetype size = text.size();
  qsizetype at = 0;
  if (pendingHighSurrogate_ != 0 && size > 0) {
    if (QChar::isLowSurrogate(text[0].unicode())) {
      AppendSubstitute(QChar::surrogateToUcs4(pendingHighSurrogate_, text[0].unicode()), out);
      at = 1;
    } else {
      out += '?';
    }
    pendingHighSurrogate_ = 0;
  }
  while (at < size) {
    // Most characters have an exact byte: they are written straight into the output's room.
    const qsizetype start = out.size();
    out.resize(start + (size - at));
    char* target = out.data() + start;
    for (; at < size; ++at) {
      const char16_t c = text[at].unicode();
      const char byte = Windows1251Byte(c);
      if (byte == 0 && c != 0) break;
      *target++ = byte;
    }
    out.resize(target - out.data());
    if (at == size) break;
    const char16_t c = text[at].unicode();
    if (!QChar::isSurrogate(c)) {
      AppendSubstitute(c, out);
    } else if (QChar::isHighSurrogate(c) && at + 1 < size &&
               QChar::isLowSurrogate(text[at + 1].unicode())) {
      AppendSubstitute(QChar::surrogateToUcs4(c, text[at + 1].unicode()), out);
      ++at;
    } else if (QChar::isHighSurrogate(c) && at + 1 == size && !last) {
      pendingHighSurrogate_ = c;
    } else {
      out += '?';
    }
    ++at;
  }
  if (last && pendingHighSurrogate_ != 0) {
    out += '?';
    pendingHighSurrogate_ = 0;
  }
}

QByteArray Cp1251Encoder::EncodeAll(QStringView text) {
  Cp1251Encoder encoder;
  QByteArray out;
  encoder.Encode(text, true, out);
  return out;
}

}  // namespace korvath
