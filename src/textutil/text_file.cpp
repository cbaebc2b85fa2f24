#include "textutil/text_file.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <stdexcept>

namespace korvath {
namespace {

[[noreturn]] void ThrowFileError(const char* what, const QString& path, const QString& reason) {
  throw std::runtime_error(
      QStringLiteral("%1 \"%2\". %3").arg(QLatin1String(what), path, reason).toStdString());
}

QString DecodeWithBom(const QByteArray& bytes) {
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
      return decoder.decode(QByteArrayView(bytes).sliced(bom.size));
    }
  }
  return DecodeLocal8Bit(bytes);
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

QStringList ReadTextLines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) ThrowFileError("Cannot open file", path, file.errorString());
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError)
    ThrowFileError("Cannot read file", path, file.errorString());
  return SplitTextLines(DecodeWithBom(bytes));
}

void WriteTextLines(const QString& path, const QStringList& lines) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    ThrowFileError("Cannot create file", path, file.errorString());
  // Line by line: the log of a long job would otherwise exist twice more at the end, as one text
  // and as its bytes.
  for (const QString& line : lines) {
    const QByteArray bytes = EncodeLocal8Bit(line + QStringLiteral("\r\n"));
    if (file.write(bytes) != bytes.size())
      ThrowFileError("Cannot write file", path, file.errorString());
  }
  CommitSaveFile(file, path);
}

void CommitSaveFile(QSaveFile& file, const QString& path) {
  // commit() misses a failure that only the last flush of the file's buffer meets (a full disk,
  // say) and puts an empty or cut file in place of the old one; flushing first brings it out.
  if (!file.flush()) {
    const QString reason = file.errorString();
    file.cancelWriting();
    ThrowFileError("Cannot write file", path, reason);
  }
  if (!file.commit()) ThrowFileError("Cannot write file", path, file.errorString());
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
