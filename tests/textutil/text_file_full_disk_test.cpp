#include "textutil/text_file.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace korvath {
namespace {

// How the child of FullDiskLeavesTheOldFileWhole ended.
enum FullDiskOutcome {
  kOldFileKept = 0,
  kCannotMount,
  kOldFileNotWritten,
  kNoFailure,
  kNoReasonGiven,
  kOldFileChanged,
};

// Fills a two-page tmpfs with a one-page file, then tries to replace it with ones that cannot fit
// beside it: with no page left, and with one page left that takes part of the new file (through
// the file's buffer, and past it). Runs in a child process, in a mount namespace of its own.
FullDiskOutcome ReplaceOnFullDisk(const QString& folder) {
  const QByteArray path = QFile::encodeName(folder);
  if (unshare(CLONE_NEWNS) != 0 ||
      mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      mount("tmpfs", path.constData(), "tmpfs", 0, "size=8k") != 0)
    return kCannotMount;
  const QString file = folder + u"/keywords.txt"_qs;
  const QString filler = folder + u"/filler.txt"_qs;
  const QStringList old = {u"первая"_qs, u"вторая"_qs};
  try {
    WriteTextLines(file, old);
  } catch (const std::runtime_error&) {
    return kOldFileNotWritten;
  }
  for (const int size : {6000, 5000, 40000}) {
    try {
      // The filler takes the free page for the first size only.
      if (size == 6000) WriteTextLines(filler, {u"f"_qs});
      if (size == 5000) QFile::remove(filler);
      WriteTextLines(file, {QString(size, u'x')});
      return kNoFailure;
    } catch (const std::runtime_error& error) {
      if (!QString::fromUtf8(error.what()).endsWith(u"на диске нет места"_qs))
        return kNoReasonGiven;
    }
    if (ReadTextLines(file) != old) return kOldFileChanged;
  }
  return kOldFileKept;
}

TEST(TextFile, FullDiskLeavesTheOldFileWhole) {
  const QTemporaryDir dir;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(ReplaceOnFullDisk(dir.path()));
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == kCannotMount)
    GTEST_SKIP() << "cannot mount a tmpfs in a namespace of its own (needs root or CAP_SYS_ADMIN)";
  EXPECT_EQ(WEXITSTATUS(status), kOldFileKept);
}

}  // namespace
}  // namespace korvath
