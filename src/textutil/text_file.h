#pragma once

#include <QString>
#include <QStringList>

class QIODevice;
class QSaveFile;

namespace korvath {

// The lines of a user's text file, and how its bytes were taken.
struct TextFileLines {
  QStringList lines;
  // The file was written on a Russian-language Windows: not UTF-8, under a UTF-8 locale.
  bool readAsWindows1251 = false;
};

// Reads a text file of the user's: a UTF-8, UTF-16 LE or UTF-16 BE byte-order mark selects that
// encoding, otherwise the locale's 8-bit encoding (the system's ANSI code page on Windows) —
// except that under a UTF-8 locale bytes that are not UTF-8 are read as Windows-1251, and under
// an 8-bit code page a file that is whole UTF-8 beyond ASCII is read as UTF-8.
// Lines end at CR LF, CR or LF; a break at the very end makes no empty last line.
// Throws std::runtime_error when the file exists but cannot be read.
TextFileLines ReadTextFile(const QString& path);
// The lines of ReadTextFile alone.
QStringList ReadTextLines(const QString& path);

struct DecodedText {
  QString text;
  bool readAsWindows1251 = false;
};

// The text of a user's file from its bytes, by the rules of ReadTextFile; `localeIsUtf8` says
// whether the locale's 8-bit encoding is UTF-8.
DecodedText DecodeTextFile(const QByteArray& bytes, bool localeIsUtf8);

// The log line that tells the user a file was read as Windows-1251.
QString Windows1251Notice(const QString& path);

// Splits decoded text into lines by the rules of ReadTextLines.
QStringList SplitTextLines(QStringView text);

// Writes every line followed by CR LF in the locale's 8-bit encoding, without a byte-order mark,
// through a temporary file renamed over the old one. Throws std::runtime_error on failure.
void WriteTextLines(const QString& path, const QStringList& lines);

// Puts what was written to `file` (a QSaveFile of `path`) in place of the old file. Throws
// std::runtime_error, leaving the old file as it was, when any byte could not be written.
void CommitSaveFile(QSaveFile& file, const QString& path);

// Writes all of `bytes`; false when a write failed, with the system's reason in the device's
// errorString().
bool WriteAllBytes(QIODevice& out, QByteArrayView bytes);

// The locale's encoding as bytes and back (characters it lacks are not kept faithfully).
QByteArray EncodeLocal8Bit(QStringView text);
QString DecodeLocal8Bit(const QByteArray& bytes);

}  // namespace korvath
