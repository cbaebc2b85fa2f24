#pragma once

#include <QLockFile>
#include <QString>

namespace korvath {

// Refuses a job before its first request when a file cannot be created in the program folder
// (`isProgramFolder`) or in the working folder of the raw copies: otherwise every request would
// be made and every save would fail at the end. Creates, writes and removes a scratch file there;
// throws std::runtime_error with the system's reason.
void CheckFolderWritable(const QString& folder, bool isProgramFolder);

// Keeps a second job out of a program folder for as long as one runs there: two jobs in one folder
// write the same working file, log and raw copies, and results files named by the same second. A
// lock left behind by a process that has ended is taken over, and so is one left empty or
// unreadable by a power cut while it was written.
class ProgramFolderLock {
 public:
  // Throws std::runtime_error, naming the process that holds the folder, when it is taken.
  explicit ProgramFolderLock(const QString& programFolder);

  const QString& Folder() const { return folder_; }
  // For the log when an empty or unreadable lock file was taken over; empty otherwise.
  const QString& TakeOverNotice() const { return takeOverNotice_; }

 private:
  bool TakeOverBrokenLock();

  QString folder_;
  QLockFile lock_;
  QString takeOverNotice_;
};

// Throws, as the start of a job would, when the program folder cannot be written or a job other
// than the one `ownLock` is for holds it: a front end checks this before it reads what is in the
// folder (the job journal), which another job may be changing. Returns the lock's
// TakeOverNotice(), which the front end logs: the check is what takes a broken lock over.
QString CheckFolderFree(const QString& programFolder, const ProgramFolderLock* ownLock = nullptr);

// The lock file in `programFolder`.
QString ProgramFolderLockPath(const QString& programFolder);

}  // namespace korvath
