#pragma once

#include <QString>
#include <QStringList>

class QSaveFile;

namespace korvath {

// Reads a text file of the user's: a UTF-8, UTF-16 LE or UTF-16 BE byte-order mark selects that
// encoding, otherwise the locale's 8-bit encoding (the system's ANSI code page on Windows).
// Lines end at CR LF, CR or LF; a break at the very end makes no empty last line.
// Throws std::runtime_error when the file exists but cannot be read.
QStringList ReadTextLines(const QString& path);

// Splits decoded text into lines by the rules of ReadTextLines.
QStringList SplitTextLines(QStringView text);

// Writes every line followed by CR LF in the locale's 8-bit encoding, without a byte-order mark,
// through a temporary file renamed over the old one. Throws std::runtime_error on failure.
void WriteTextLines(const QString& path, const QStringList& lines);

// Puts what was written to `file` (a QSaveFile of `path`) in place of the old file. Throws
// std::runtime_error, leaving the old file as it was, when any byte could not be written.
void CommitSaveFile(QSaveFile& file, const QString& path);

// The locale's encoding as bytes and back (characters it lacks are not kept faithfully).
QByteArray EncodeLocal8Bit(QStringView text);
QString DecodeLocal8Bit(const QByteArray& bytes);

}  // namespace korvath
