#include "results/csv_export.h"

#include "results/cp1251_encoder.h"
#include "results/csv_rows.h"
#include "textutil/file_errors.h"
#include "textutil/text_file.h"

#include <QDir>
#include <QSaveFile>

#include <stdexcept>

namespace korvath {
namespace {

// Text is encoded and written in pieces of about this many characters, so a large table
// needs neither one huge string nor one write per field.
constexpr qsizetype kChunkChars = 32 * 1024;

[[noreturn]] void ThrowFileError(FileAction action, const QString& path, const QString& reason) {
  throw std::runtime_error(FileFailureText(action, path, reason).toStdString());
}

// A spreadsheet takes a field that starts like this for a formula, which a page could use to
// run one in the user's spreadsheet. A sign before a digit is a phone code ("+7 (495)") or a
// number ("-10%"), never a formula.
bool ReadsAsFormula(const QString& field) {
  if (field.isEmpty()) return false;
  const QChar first = field.front();
  if (first == u'=' || first == u'@') return true;
  if ((first != u'+' && first != u'-') || field.size() < 2) return false;
  const QChar second = field[1];
  return second.isLetter() || second == u'(';
}

// A double quote inside a field is doubled, so that queries, region names or card values
// holding one do not break the row apart for the reader. A formula-like value gets a leading
// apostrophe, which spreadsheets read as text and which shows the user what was there.
void AppendField(QString& line, const QString& field) {
  line += u'"';
  if (ReadsAsFormula(field)) line += u'\'';
  if (field.contains(u'"')) {
    QString escaped = field;
    line += escaped.replace(u"\""_qs, u"\"\""_qs);
  } else {
    line += field;
  }
  line += u'"';
}

void AppendLine(QString& text, const CsvRow& fields) {
  for (int column = 0; column < kCsvColumnCount; ++column) {
    if (column > 0) text += u';';
    AppendField(text, fields[column]);
  }
  text += u"\r\n";
}

class ChunkWriter {
 public:
  explicit ChunkWriter(QIODevice& out) : out_(out) {
    text_.reserve(kChunkChars + 4096);
    bytes_.reserve(kChunkChars + 4096);
  }

  QString& Text() { return text_; }

  void FlushIfFull() {
    if (text_.size() >= kChunkChars) Flush(false);
  }

  void Flush(bool last) {
    bytes_.resize(0);
    encoder_.Encode(text_, last, bytes_);
    text_.resize(0);
    if (!WriteAllBytes(out_, bytes_)) throw std::runtime_error(out_.errorString().toStdString());
  }

 private:
  QIODevice& out_;
  Cp1251Encoder encoder_;
  QString text_;
  QByteArray bytes_;
};

}  // namespace

void WriteCsv(QIODevice& out, const ResultTable& table, CsvFile kind) {
  ChunkWriter writer(out);
  AppendLine(writer.Text(), CsvHeader());
  for (qsizetype row = 0; row < table.RowCount(); ++row) {
    AppendLine(writer.Text(), DeriveCsvRow(table, row, kind));
    writer.FlushIfFull();
  }
  writer.Flush(true);
}

// The new content goes to a temporary file that replaces the old one only when complete, so a
// failure or a crash halfway leaves the previous file as it was.
void SaveCsvFile(const QString& path, const ResultTable& table, CsvFile kind) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    ThrowFileError(FileAction::Create, path, file.errorString());
  try {
    WriteCsv(file, table, kind);
  } catch (const std::exception& error) {
    file.cancelWriting();
    ThrowFileError(FileAction::Write, path, QString::fromStdString(error.what()));
  }
  CommitSaveFile(file, path);
}

QString ResultsFileName(const QDateTime& localTime) {
  const QDate date = localTime.date();
  const QTime time = localTime.time();
  return QString::asprintf("results-%.4d%.2d%.2d%.2d%.2d%.2d.csv", date.year(), date.month(),
                           date.day(), time.hour(), time.minute(), time.second());
}

QString UnusedResultsFileName(const QString& folder, const QDateTime& localTime) {
  const QDir dir(folder);
  const QString name = ResultsFileName(localTime);
  const QString stem = name.chopped(4);
  QString candidate = stem;
  for (int suffix = 2; dir.exists(candidate + u".csv"_qs) || dir.exists(candidate + u".xlsx"_qs);
       ++suffix)
    candidate = stem + u'-' + QString::number(suffix);
  return candidate + u".csv"_qs;
}

}  // namespace korvath
