#include "textutil/text_file.h"

#include "platform/code_page.h"
#include "textutil/file_errors.h"
#include "textutil/windows1251.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <optional>
#include <stdexcept>

namespace korvath {
namespace {

[[noreturn]] void ThrowFileError(FileAction action, const QString& path, const QString& reason) {
  throw std::runtime_error(FileFailureText(action, path, reason).toStdString());
}

// How a byte text stands as UTF-8: whole, whole but for a character cut off at its very end, or
// not UTF-8 at all (overlong forms, surrogates and code points past U+10FFFF included).
enum class Utf8Shape { Whole, CutAtEnd, Broken };

struct Utf8Scan {
  Utf8Shape shape = Utf8Shape::Whole;
  bool hasMultiByte = false;  // at least one complete character of two or more bytes
};

Utf8Scan ScanUtf8(QByteArrayView bytes) {
  Utf8Scan scan;
  const qsizetype size = bytes.size();
  qsizetype i = 0;
  while (i < size) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    int length = 0;
    unsigned char low = 0x80;  // the second byte's range, narrower after some leads
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return {Utf8Shape::Broken, scan.hasMultiByte};
    }
    for (int k = 1; k < length; ++k) {
      if (i + k >= size) return {Utf8Shape::CutAtEnd, scan.hasMultiByte};
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      const bool inRange = k == 1 ? next >= low && next <= high : next >= 0x80 && next <= 0xBF;
      if (!inRange) return {Utf8Shape::Broken, scan.hasMultiByte};
    }
    scan.hasMultiByte = true;
    i += length;
  }
  return scan;
}

// Under a UTF-8 locale, a file without a byte-order mark that is not UTF-8 comes from a
// Russian-language Windows, whose 8-bit code page is Windows-1251; read as UTF-8 it would become
// replacement characters, and saving it back would lose the user's text for good. A text whose
// last character is merely cut short is UTF-8 still, when it holds complete characters of more
// than one byte before that; a lone trailing byte after plain ASCII is a Windows-1251 letter.
bool LooksLikeWindows1251(const Utf8Scan& scan) {
  switch (scan.shape) {
    case Utf8Shape::Whole:
      return false;
    case Utf8Shape::CutAtEnd:
      return !scan.hasMultiByte;
    case Utf8Shape::Broken:
      break;
  }
  return true;
}

// Nothing beyond ASCII but Cyrillic letters and the punctuation Russian text uses.
bool IsRussianText(QStringView text) {
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    const bool fits = u < 0x80 || (u >= 0x0400 && u <= 0x04FF) || (u >= 0x00A0 && u <= 0x00BF) ||
                      (u >= 0x2010 && u <= 0x206F) || u == 0x2116;
    if (!fits) return false;
  }
  return true;
}

// A character cut off at the very end goes, as the system's own decoder drops it.
QString DecodeUtf8(const QByteArray& bytes) {
  QStringDecoder decoder(QStringConverter::Utf8);
  return decoder.decode(bytes);
}

std::optional<DecodedText> DecodeWithBom(const QByteArray& bytes) {
  struct Bom {
    const char* mark;
    qsizetype size;
    QStringConverter::Encoding encoding;
  };
  static constexpr Bom kBoms[] = {
      {"\xEF\xBB\xBF", 3, QStringConverter::Utf8},
      {"\xFF\xFE", 2, QStringConverter::Utf16LE},
      {"\xFE\xFF", 2, QStringConverter::Utf16BE},
  };
  for (const Bom& bom : kBoms) {
    if (bytes.startsWith(QByteArrayView(bom.mark, bom.size))) {
      QStringDecoder decoder(bom.encoding, QStringConverter::Flag::Stateless);
      return DecodedText{decoder.decode(QByteArrayView(bytes).sliced(bom.size)), false};
    }
  }
  return std::nullopt;
}

}  // namespace

QStringList SplitTextLines(QStringView text) {
  QStringList lines;
  qsizetype start = 0;
  const qsizetype size = text.size();
  for (qsizetype i = 0; i < size; ++i) {
    const QChar c = text[i];
    if (c != u'\r' && c != u'\n') continue;
    lines.append(text.sliced(start, i - start).toString());
    if (c == u'\r' && i + 1 < size && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < size) lines.append(text.sliced(start).toString());
  return lines;
}

DecodedText DecodeTextFile(const QByteArray& bytes, bool localeIsUtf8) {
  if (std::optional<DecodedText> marked = DecodeWithBom(bytes)) return *std::move(marked);
  const Utf8Scan scan = ScanUtf8(bytes);
  if (localeIsUtf8) {
    if (LooksLikeWindows1251(scan)) return {DecodeWindows1251(bytes), true};
    return {DecodeUtf8(bytes), false};
  }
  // Under an 8-bit code page, a file that is whole UTF-8 with Russian letters was saved as UTF-8
  // (Notepad's choice since Windows 10). The code page's own bytes read as UTF-8 give other
  // scripts' letters ("Дё" would be "ĸ"), so those stay the code page's.
  if (scan.shape == Utf8Shape::Whole && scan.hasMultiByte) {
    QString text = DecodeUtf8(bytes);
    if (IsRussianText(text)) return {std::move(text), false};
  }
  return {DecodeLocal8Bit(bytes), false};
}

TextFileLines ReadTextFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) ThrowFileError(FileAction::Open, path, file.errorString());
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError)
    ThrowFileError(FileAction::Read, path, file.errorString());
  const DecodedText decoded = DecodeTextFile(bytes, SystemEncodingIsUtf8());
  return {SplitTextLines(decoded.text), decoded.readAsWindows1251};
}

QStringList ReadTextLines(const QString& path) { return ReadTextFile(path).lines; }

QString Windows1251Notice(const QString& path) {
  return u"Файл \"%1\" не в кодировке UTF-8, читаем его как Windows-1251"_qs.arg(
      QDir::toNativeSeparators(path));
}

void WriteTextLines(const QString& path, const QStringList& lines) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    ThrowFileError(FileAction::Create, path, file.errorString());
  // Line by line: the log of a long job would otherwise exist twice more at the end, as one text
  // and as its bytes.
  for (const QString& line : lines) {
    const QByteArray bytes = EncodeLocal8Bit(line + QStringLiteral("\r\n"));
    if (!WriteAllBytes(file, bytes)) {
      const QString reason = file.errorString();
      file.cancelWriting();
      ThrowFileError(FileAction::Write, path, reason);
    }
  }
  CommitSaveFile(file, path);
}

void CommitSaveFile(QSaveFile& file, const QString& path) {
  // commit() misses a failure that only the last flush of the file's buffer meets (a full disk,
  // say) and puts an empty or cut file in place of the old one; flushing first brings it out.
  // A disk that takes part of the buffer fails that flush without a reason ("Unknown error"); a
  // second flush, of what is left, meets the system's refusal and learns why.
  if (!file.flush() && !file.flush()) {
    const QString reason = file.errorString();
    file.cancelWriting();
    ThrowFileError(FileAction::Write, path, reason);
  }
  if (!file.commit()) ThrowFileError(FileAction::Write, path, file.errorString());
}

bool WriteAllBytes(QIODevice& out, QByteArrayView bytes) {
  // A write that a nearly full disk takes only in part reports no error; the next one, of the
  // rest, is refused with the system's reason.
  while (!bytes.isEmpty()) {
    const qint64 written = out.write(bytes.data(), bytes.size());
    if (written <= 0) return false;
    bytes = bytes.sliced(written);
  }
  return true;
}

QByteArray EncodeLocal8Bit(QStringView text) {
  QStringEncoder encoder(QStringConverter::System);
  return encoder.encode(text);
}

QString DecodeLocal8Bit(const QByteArray& bytes) {
  QStringDecoder decoder(QStringConverter::System);
  return decoder.decode(bytes);
}

}  // namespace korvath
