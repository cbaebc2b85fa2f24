#include "textutil/file_errors.h"

#include <QDir>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>

namespace korvath {
namespace {

struct ReasonText {
  int error;
  QStringView russian;
};

constexpr ReasonText kReasons[] = {
    {EACCES, u"нет прав доступа"},
    {EPERM, u"операция не разрешена"},
    {ENOENT, u"нет такого файла или папки"},
    {ENOTDIR, u"часть пути — не папка"},
    {EISDIR, u"это папка, а не файл"},
    {EEXIST, u"файл уже существует"},
    {ENOSPC, u"на диске нет места"},
    {EDQUOT, u"превышена дисковая квота"},
    {EROFS, u"диск или папка только для чтения"},
    {EFBIG, u"файл слишком велик"},
    {ENAMETOOLONG, u"слишком длинное имя файла"},
    {ELOOP, u"слишком много символических ссылок в пути"},
    {EMFILE, u"открыто слишком много файлов"},
    {ENFILE, u"открыто слишком много файлов"},
    {EBUSY, u"файл занят"},
    {ETXTBSY, u"файл занят"},
    {EIO, u"ошибка ввода-вывода"},
};

}  // namespace

QString RussianFileReason(const QString& systemReason) {
  for (const ReasonText& reason : kReasons) {
    if (systemReason == QString::fromLocal8Bit(std::strerror(reason.error)))
      return reason.russian.toString();
  }
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
