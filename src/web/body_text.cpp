#include "web/body_text.h"

#include <QStringDecoder>

namespace korvath {

QString BodyToText(const QByteArray& body) {
  // ConvertInitialBom keeps a leading byte-order mark in the text instead of dropping it.
  // Stateless makes the body's end the end of the input: a sequence cut short there becomes
  // U+FFFD instead of being held back for bytes that never come.
  QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom |
                                                     QStringConverter::Flag::Stateless);
  return decoder.decode(body);
}

QString EncodeQueryText(QStringView text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const QByteArray utf8 = text.toUtf8();
  QString encoded;
  encoded.reserve(utf8.size() * 3);
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    const bool keep = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                      (byte >= '0' && byte <= '9');
    if (keep) {
      encoded += QLatin1Char(c);
    } else {
      encoded += QLatin1Char('%');
      encoded += QLatin1Char(kHex[byte >> 4]);
      encoded += QLatin1Char(kHex[byte & 0x0F]);
    }
  }
  return encoded;
}

}  // namespace korvath
