#include "textutil/text_file.h"
#include "platform/code_page.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

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

QByteArray Utf16(const QString& text, bool littleEndian) {
  QByteArray bytes(littleEndian ? "\xFF\xFE" : "\xFE\xFF", 2);
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    const char low = char(u & 0xFF);
    const char high = char(u >> 8);
    bytes.append(littleEndian ? low : high).append(littleEndian ? high : low);
  }
  return bytes;
}

struct DecodeCase {
  const char* name;
  QByteArray bytes;
  QString text;
  bool windows1251;
  bool localeIsUtf8 = true;
};

TEST(DecodeTextFile, TakesWhatIsNotUtf8AsWindows1251UnderAUtf8Locale) {
  const QString windows = u"пластиковые окна"_qs;
  const QByteArray cp1251 = QByteArray::fromHex("efebe0f1f2e8eaeee2fbe520eeeaede0");
  const QByteArray utf8 = windows.toUtf8();
  const DecodeCase cases[] = {
      {"UTF-8", utf8, windows, false},
      {"UTF-8 with mark", "\xEF\xBB\xBF" + utf8, windows, false},
      {"UTF-16 LE", Utf16(windows, true), windows, false},
      {"UTF-16 BE", Utf16(windows, false), windows, false},
      {"ASCII", "plastic windows", u"plastic windows"_qs, false},
      {"Windows-1251", cp1251, windows, true},
      // The last character lost a byte and goes; what stands before it is UTF-8 beyond doubt.
      {"UTF-8 cut in a character", utf8.chopped(1), windows.chopped(1), false},
      // A lone leading byte after plain ASCII is a Windows-1251 letter ("Ж"), not a cut.
      {"ASCII and one Windows-1251 letter", "dom \xC6", u"dom Ж"_qs, true},
      {"UTF-8 then Windows-1251", u"окна"_qs.toUtf8() + "\xEE\xEA\xED\xE0", u"РѕРєРЅР°окна"_qs,
       true},
      {"overlong slash", "a\xC0\xAF", u"aАЇ"_qs, true},
      {"surrogate", "\xED\xA0\x80", u"н\u00A0\u0402"_qs, true},
      {"past U+10FFFF", "\xF4\x90\x80\x80", u"ф\u0452\u0402\u0402"_qs, true},
      {"empty", "", u""_qs, false},
      // Where the 8-bit encoding is not UTF-8, it decides alone, as before.
      {"Windows-1251 under another locale", cp1251, DecodeLocal8Bit(cp1251), false, false},
      {"UTF-8 under another locale", utf8, windows, false, false},
  };
  for (const DecodeCase& c : cases) {
    const DecodedText decoded = DecodeTextFile(c.bytes, c.localeIsUtf8);
    EXPECT_EQ(decoded.text, c.text) << c.name;
    EXPECT_EQ(decoded.readAsWindows1251, c.windows1251) << c.name;
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
  WriteBytes("le.txt", Utf16(u"труба\nгаз"_qs, true));
  WriteBytes("be.txt", Utf16(u"труба\nгаз"_qs, false));
  EXPECT_EQ(ReadTextLines(PathOf("le.txt")), expected);
  EXPECT_EQ(ReadTextLines(PathOf("be.txt")), expected);
}

// Every byte a Windows-1251 file can hold survives reading, saving and reading again.
TEST_F(TextFileTest, Windows1251FileIsSavedWithoutLoss) {
  if (!SystemEncodingIsUtf8()) GTEST_SKIP() << "the locale's 8-bit encoding is not UTF-8";
  QByteArray bytes = "\xEF\xEB\xE0\xF1\xF2\xE8\xEA\r\n";
  for (int byte = 0x80; byte <= 0xFF; ++byte) bytes.append(char(byte));
  WriteBytes("keywords.txt", bytes);
  const TextFileLines first = ReadTextFile(PathOf("keywords.txt"));
  EXPECT_TRUE(first.readAsWindows1251);
  ASSERT_EQ(first.lines.size(), 2);
  EXPECT_EQ(first.lines[0], u"пластик"_qs);
  EXPECT_EQ(first.lines[1].size(), 128);

  WriteTextLines(PathOf("keywords.txt"), first.lines);
  const TextFileLines second = ReadTextFile(PathOf("keywords.txt"));
  EXPECT_FALSE(second.readAsWindows1251);
  EXPECT_EQ(second.lines, first.lines);
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

}  // namespace
}  // namespace korvath
