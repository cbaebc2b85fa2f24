#include "engine/job_folders.h"

#include "textutil/file_errors.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QTemporaryFile>

#include <stdexcept>

namespace korvath {
namespace {

QString Shown(const QString& folder) { return QDir::toNativeSeparators(folder); }

[[noreturn]] void Refuse(const QString& message) {
  throw std::runtime_error(message.toStdString());
}

}  // namespace

void CheckFolderWritable(const QString& folder, bool isProgramFolder) {
  const QString where =
      isProgramFolder
          ? u"в папку программы \"%1\""_qs.arg(Shown(folder))
          : u"в рабочую папку \"%1\", куда сохраняются загруженные страницы,"_qs.arg(Shown(folder));
  QTemporaryFile scratch(QDir(folder).filePath(u"korvath-write-check-XXXXXX"_qs));
  // One byte as well: a full disk still lets an empty file be made.
  if (!scratch.open() || scratch.write("x", 1) != 1 || !scratch.flush())
    Refuse(u"Нельзя начать работу: %1 не удаётся записать файл: %2"_qs.arg(
        where, RussianFileReason(scratch.errorString())));
}

ProgramFolderLock::ProgramFolderLock(const QString& programFolder)
    : folder_(programFolder), lock_(ProgramFolderLockPath(programFolder)) {
  // A job runs for days: the lock never goes stale by its age, only when its process has ended.
  lock_.setStaleLockTime(0);
  if (lock_.tryLock(0)) return;
  if (lock_.error() != QLockFile::LockFailedError) {
    Refuse(
        u"Нельзя начать работу: не удаётся создать файл \"%1\", который отмечает работу в "
        u"папке программы."_qs.arg(Shown(ProgramFolderLockPath(programFolder))));
  }
  qint64 pid = 0;
  QString host;
  QString program;
  if (!lock_.getLockInfo(&pid, &host, &program)) {
    // Without its holder's details the lock has just been let go (the other job has ended), or
    // was cut short as it was written.
    if (lock_.tryLock(0) || TakeOverBrokenLock()) return;
    Refuse(
        u"Нельзя начать работу: в папке программы \"%1\" как раз начинается другая работа. "
        u"Дождитесь её окончания или запустите эту работу из другой папки."_qs.arg(
            Shown(programFolder)));
  }
  QString holder = u"программа %1, процесс %2"_qs.arg(QFileInfo(program).fileName()).arg(pid);
  if (!host.isEmpty() && host != QSysInfo::machineHostName())
    holder += u" на компьютере "_qs + host;
  Refuse(
      u"Нельзя начать работу: в папке программы \"%1\" уже идёт работа (%2). Дождитесь её "
      u"окончания или запустите эту работу из другой папки."_qs.arg(Shown(programFolder), holder));
}

// A job that is starting writes its details into the file it has just made; a file without them
// that is older than this was left by a power cut, not by a start in progress.
bool ProgramFolderLock::TakeOverBrokenLock() {
  constexpr qint64 kWritingSeconds = 5;
  const QString path = lock_.fileName();
  const QDateTime modified = QFileInfo(path).lastModified();
  if (!modified.isValid() || qAbs(modified.secsTo(QDateTime::currentDateTime())) < kWritingSeconds)
    return false;
  // The guard Qt itself takes to remove a stale lock: two starts never remove each other's new one.
  QLockFile guard(path + u".rmlock"_qs);
  if (!guard.tryLock(0)) return false;
  qint64 pid = 0;
  QString host;
  QString program;
  if (lock_.getLockInfo(&pid, &host, &program)) return false;
  if (!QFile::remove(path) && QFileInfo::exists(path)) return false;
  if (!lock_.tryLock(0)) return false;
  takeOverNotice_ =
      u"Файл \"%1\" был пустым или нечитаемым (так бывает после сбоя питания): работа, которая "
      u"его оставила, уже не идёт, и папка программы взята для новой работы"_qs.arg(Shown(path));
  return true;
}

QString CheckFolderFree(const QString& programFolder, const ProgramFolderLock* ownLock) {
  CheckFolderWritable(programFolder, true);
  if (ownLock != nullptr && ownLock->Folder() == programFolder) return {};
  // Taken and let go at once: the job takes the folder for itself when it starts.
  const ProgramFolderLock probe(programFolder);
  return probe.TakeOverNotice();
}

QString ProgramFolderLockPath(const QString& programFolder) {
  return QDir(programFolder).filePath(u"korvath.lock"_qs);
}

}  // namespace korvath
