#include "textutil/file_errors.h"

#include "platform/system_reason.h"

#include <QDir>
#include <QRegularExpression>

namespace korvath {

QString RussianFileReason(const QString& systemReason) {
  if (QString russian = RussianSystemReason(systemReason); !russian.isEmpty()) return russian;
  // Qt's own words, from QFile and QSaveFile.
  if (systemReason == u"file to open is a directory"_qs) return u"это папка, а не файл"_qs;
  if (systemReason == u"Filename refers to a directory"_qs) return u"на месте файла папка"_qs;
  static const QRegularExpression kNotWritable(u"^Existing file (.*) is not writable$"_qs);
  if (const QRegularExpressionMatch match = kNotWritable.match(systemReason); match.hasMatch())
    return u"файл %1 защищён от записи"_qs.arg(match.captured(1));
  if (systemReason == u"Unknown error"_qs || systemReason.isEmpty())
    return u"причина неизвестна"_qs;
  return systemReason;
}

QString FileFailureText(FileAction action, const QString& path, const QString& systemReason) {
  QStringView what;
  switch (action) {
    case FileAction::Open:
      what = u"открыть";
      break;
    case FileAction::Read:
      what = u"прочитать";
      break;
    case FileAction::Create:
      what = u"создать";
      break;
    case FileAction::Write:
      what = u"записать";
      break;
  }
  return u"Не удаётся %1 файл \"%2\": %3"_qs.arg(what, QDir::toNativeSeparators(path),
                                                 RussianFileReason(systemReason));
}

}  // namespace korvath
