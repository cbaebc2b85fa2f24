#pragma once

#include <QByteArray>
#include <QStringView>

namespace korvath {

// Encodes text as Windows-1251 for the CSV files. A character the code page lacks becomes the
// letters left when accents and compatibility forms are taken apart ("ü" -> "u", "ﬁ" -> "fi",
// a full-width "Ａ" -> "A") where all of them have a byte, otherwise "?". Keeps state between
// calls, so text may be fed in pieces that split a surrogate pair.
class Cp1251Encoder {
 public:
  // Appends the bytes of `text` to `out`; `last` ends the stream (a dangling high surrogate
  // then becomes "?").
  void Encode(QStringView text, bool last, QByteArray& out);

  // The whole text in one piece.
  static QByteArray EncodeAll(QStringView text);

 private:
  char16_t pendingHighSurrogate_ = 0;
};

}  // namespace korvath
