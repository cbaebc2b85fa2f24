#pragma once

#include <QByteArray>
#include <QStringView>

#include <memory>

struct UConverter;

namespace korvath {

// Encodes text as Windows-1251 for the CSV files. A character the code page lacks becomes its
// closest equivalent where one is known (the code page's own fallbacks, else the letters left
// when accents and compatibility forms are taken apart: "ü" -> "u", "ﬁ" -> "fi"), otherwise "?".
// Keeps state between calls, so text may be fed in pieces that split a surrogate pair.
class Cp1251Encoder {
 public:
  Cp1251Encoder();
  ~Cp1251Encoder();
  Cp1251Encoder(const Cp1251Encoder&) = delete;
  Cp1251Encoder& operator=(const Cp1251Encoder&) = delete;

  // Appends the bytes of `text` to `out`; `last` ends the stream (a dangling high surrogate
  // then becomes "?"). Throws std::runtime_error if the converter fails.
  void Encode(QStringView text, bool last, QByteArray& out);

  // The whole text in one piece.
  static QByteArray EncodeAll(QStringView text);

 private:
  // Converts the characters that have no exact byte, through the converter's fallbacks and
  // the substitutes; `flush` ends what the converter may be holding (half a surrogate pair).
  void EncodeUnmapped(QStringView text, bool flush, QByteArray& out);

  struct ConverterDeleter {
    void operator()(UConverter* converter) const;
  };
  std::unique_ptr<UConverter, ConverterDeleter> converter_;
  bool converterHoldsText_ = false;
};

}  // namespace korvath
