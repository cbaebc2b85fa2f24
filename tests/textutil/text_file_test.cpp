#include "textutil/text_file.h"

#include <QDir>
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

struct SplitCase {
  const char16_t* text;
  QStringList lines;
};

TEST(SplitTextLines, BreaksAtCrLfCrAndLfWithoutTrailingEmptyLine) {
  const SplitCase cases[] = {
      {u"", {}},
      {u"a", {u"a"_qs}},
      {u"a\r\n", {u"a"_qs}},
      {u"a\r\nb", {u"a"_qs, u"b"_qs}},
      {u"a\rb\nc", {u"a"_qs, u"b"_qs, u"c"_qs}},
      {u"a\n\n", {u"a"_qs, u""_qs}},
      {u"\r\n", {u""_qs}},
      {u"a\n\rb", {u"a"_qs, u""_qs, u"b"_qs}},
      {u" x \r\n\r\ny", {u" x "_qs, u""_qs, u"y"_qs}},
  };
  for (const SplitCase& c : cases) {
    EXPECT_EQ(SplitTextLines(QStringView(c.text)), c.lines)
        << QString::fromUtf16(c.text).toStdString();
  }
}

class TextFileTest : public ::testing::Test {
 protected:
  QString PathOf(const char* name) const { return dir_.filePath(QLatin1String(name)); }
  void WriteBytes(const char* name, const QByteArray& bytes) const {
    QFile file(PathOf(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  QTemporaryDir dir_;
};

TEST_F(TextFileTest, ByteOrderMarkSelectsEncoding) {
  const QStringList expected = {u"труба"_qs, u"газ"_qs};
  WriteBytes("utf8.txt", QByteArray("\xEF\xBB\xBF") + u"труба\r\nгаз\r\n"_qs.toUtf8());
  EXPECT_EQ(ReadTextLines(PathOf("utf8.txt")), expected);

  QByteArray le("\xFF\xFE", 2);
  QByteArray be("\xFE\xFF", 2);
  for (const QChar c : u"труба\nгаз"_qs) {
    const char16_t u = c.unicode();
    le.append(char(u & 0xFF)).append(char(u >> 8));
    be.append(char(u >> 8)).append(char(u & 0xFF));
  }
  WriteBytes("le.txt", le);
  WriteBytes("be.txt", be);
  EXPECT_EQ(ReadTextLines(PathOf("le.txt")), expected);
  EXPECT_EQ(ReadTextLines(PathOf("be.txt")), expected);
}

TEST_F(TextFileTest, WritesCrLfWithoutBomAndReadsBack) {
  const QStringList lines = {u"первая"_qs, u""_qs, u"  третья "_qs};
  WriteTextLines(PathOf("out.txt"), lines);
  QFile file(PathOf("out.txt"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  EXPECT_EQ(bytes, EncodeLocal8Bit(u"первая\r\n\r\n  третья \r\n"));
  EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
  EXPECT_EQ(ReadTextLines(PathOf("out.txt")), lines);
}

TEST_F(TextFileTest, MissingFileAndUnwritableFolderThrow) {
  EXPECT_THROW(ReadTextLines(PathOf("absent.txt")), std::runtime_error);
  EXPECT_THROW(WriteTextLines(PathOf("no/such/folder/out.txt"), {u"x"_qs}), std::runtime_error);
}

// How the child of FullDiskLeavesTheOldFileWhole ended.
enum FullDiskOutcome {
  kOldFileKept = 0,
  kCannotMount,
  kOldFileNotWritten,
  kNoFailure,
  kOldFileChanged,
};

// Fills a one-page tmpfs with a file, then tries to replace it with one that cannot fit beside
// it. Runs in a child process, in a mount namespace of its own.
FullDiskOutcome ReplaceOnFullDisk(const QString& folder) {
  const QByteArray path = QFile::encodeName(folder);
  if (unshare(CLONE_NEWNS) != 0 ||
      mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      mount("tmpfs", path.constData(), "tmpfs", 0, "size=4k") != 0)
    return kCannotMount;
  const QString file = folder + u"/keywords.txt"_qs;
  const QStringList old = {u"первая"_qs, u"вторая"_qs};
  try {
    WriteTextLines(file, old);
  } catch (const std::runtime_error&) {
    return kOldFileNotWritten;
  }
  try {
    WriteTextLines(file, {QString(3000, u'x')});
    return kNoFailure;
  } catch (const std::runtime_error&) {
  }
  return ReadTextLines(file) == old ? kOldFileKept : kOldFileChanged;
}

TEST_F(TextFileTest, FullDiskLeavesTheOldFileWhole) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(ReplaceOnFullDisk(dir_.path()));
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == kCannotMount)
    GTEST_SKIP() << "cannot mount a tmpfs in a namespace of its own (needs root or CAP_SYS_ADMIN)";
  EXPECT_EQ(WEXITSTATUS(status), kOldFileKept);
}

}  // namespace
}  // namespace korvath
