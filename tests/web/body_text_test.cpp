#include "web/body_text.h"

#include <gtest/gtest.h>

namespace korvath {
namespace {

TEST(BodyToText, DecodesUtf8KeepingMarkAndZerosAndReplacingMalformedBytes) {
  struct Case {
    QByteArray body;
    QString expected;
  };
  const Case cases[] = {
      {QByteArray(), QString()},
      {QByteArray("<b>okna</b>"), u"<b>okna</b>"_qs},
      {u"окно; тёплый"_qs.toUtf8(), u"окно; тёплый"_qs},
      {QByteArray("\xEF\xBB\xBF<html>"), QChar(0xFEFF) + u"<html>"_qs},
      {QByteArray("a\0b\0", 4), u"a"_qs + QChar(0) + u"b"_qs + QChar(0)},
      {QByteArray("a\xFF"
                  "b"),
       u"a\uFFFDb"_qs},
      {QByteArray("a\xC3(b"), u"a\uFFFD(b"_qs},
      {QByteArray("end\xD0"), u"end\uFFFD"_qs},
      {QByteArray("\xF0\x9F\x98\x80"), u"\U0001F600"_qs},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BodyToText(c.body), c.expected) << c.body.toHex().toStdString();
  }
}

TEST(BodyToText, IgnoresTheDeclaredCharsetAndLeavesTheBufferAsItWas) {
  const QByteArray body =
      QByteArray("<meta charset=windows-1251>") + u"Контакты"_qs.toUtf8() + "\xCA\xEE";
  const QByteArray copy = body;
  EXPECT_EQ(BodyToText(body), u"<meta charset=windows-1251>Контакты\uFFFD\uFFFD"_qs);
  EXPECT_EQ(body, copy);
}

TEST(BodyToText, MalformedSequencesNeverLeaveSurrogatesOrStopDecoding) {
  const QByteArray bodies[] = {QByteArray("\xC0\xAFz"), QByteArray("\xED\xA0\x80z"),
                               QByteArray("\xF8\x88\x80\x80\x80z"), QByteArray("\x80\x80z")};
  for (const QByteArray& body : bodies) {
    const QString text = BodyToText(body);
    EXPECT_TRUE(text.endsWith(u'z')) << body.toHex().toStdString();
    EXPECT_TRUE(text.contains(QChar(0xFFFD))) << body.toHex().toStdString();
    for (const QChar c : text) {
      EXPECT_FALSE(c.isSurrogate()) << body.toHex().toStdString();
    }
  }
}

TEST(EncodeQueryText, KeepsOnlyAsciiLettersAndDigits) {
  struct Case {
    const char16_t* text;
    const char* expected;
  };
  const Case cases[] = {
      {u"", ""},
      {u"AZaz09", "AZaz09"},
      {u"я", "%D1%8F"},
      {u"-._~", "%2D%2E%5F%7E"},
      {u"+&=?#%/", "%2B%26%3D%3F%23%25%2F"},
      {u"окна ПВХ", "%D0%BE%D0%BA%D0%BD%D0%B0%20%D0%9F%D0%92%D0%A5"},
      {u"\U0001F600", "%F0%9F%98%80"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EncodeQueryText(QStringView(c.text)), QLatin1String(c.expected)) << c.expected;
  }
}

}  // namespace
}  // namespace korvath
