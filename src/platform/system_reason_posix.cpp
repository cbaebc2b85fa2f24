#include "platform/system_reason.h"

#include <cerrno>
#include <cstring>

namespace korvath {
namespace {

// The C library speaks English whatever the locale; these are the reasons a user meets.
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

QString RussianSystemReason(const QString& systemReason) {
  for (const ReasonText& reason : kReasons) {
    if (systemReason == QString::fromLocal8Bit(std::strerror(reason.error)))
      return reason.russian.toString();
  }
  return {};
}

}  // namespace korvath
