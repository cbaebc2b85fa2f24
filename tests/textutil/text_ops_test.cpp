#include "textutil/text_ops.h"
#include "textutil/html_named_references.h"
#include "textutil/html_references.h"

#include <gtest/gtest.h>

#include <string>

namespace korvath {
namespace {

std::string Utf8(QStringView text) { return text.toString().toStdString(); }

TEST(Find, PositionsAreOneBasedAndZeroMeansNotFound) {
  struct Case {
    const char16_t* text;
    const char16_t* sub;
    qsizetype from;
    qsizetype expected;
  };
  const Case cases[] = {
      {u"abcabc", u"bc", 1, 2},  {u"abcabc", u"bc", 2, 2}, {u"abcabc", u"bc", 3, 5},
      {u"abcabc", u"bc", 6, 0},  {u"abcabc", u"bc", 0, 0}, {u"abcabc", u"bc", -5, 0},
      {u"abcabc", u"bc", 99, 0}, {u"abcabc", u"", 1, 0},   {u"", u"a", 1, 0},
      {u"abcabc", u"BC", 1, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Find(QStringView(c.text), QStringView(c.sub), c.from), c.expected)
        << Utf8(c.text) << " / " << Utf8(c.sub) << " from " << c.from;
  }
  // Zero code units are ordinary characters for Find.
  const QString withZero = u"a"_qs + QChar(0) + u"b"_qs;
  EXPECT_EQ(Find(withZero, u"b"), 3);
}

TEST(Copy, CutsAtTheEndAndGivesEmptyForNoCount) {
  struct Case {
    qsizetype pos;
    qsizetype count;
    const char16_t* expected;
  };
  const Case cases[] = {
      {1, 3, u"abc"}, {2, 2, u"bc"}, {4, 10, u"def"}, {6, 1, u"f"},
      {7, 1, u""},    {3, 0, u""},   {3, -2, u""},    {0, 2, u"ab"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Copy(u"abcdef", c.pos, c.count), QStringView(c.expected)) << c.pos << "," << c.count;
  }
}

TEST(Trimmed, RemovesControlCodesAndBlanksButNotOtherWhiteSpace) {
  const QString text = QChar(u'\0') + u"\t\r\n x y \x1f"_qs;
  EXPECT_EQ(Trimmed(text), u"x y");
  EXPECT_EQ(Trimmed(u"\u00a0x\u00a0"), u"\u00a0x\u00a0");
  EXPECT_EQ(Trimmed(u"   "), u"");
}

TEST(ReplaceAll, ReplacesLeftToRightWithoutOverlapOrRescanning) {
  struct Case {
    const char16_t* text;
    const char16_t* pattern;
    const char16_t* replacement;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"a&amp;b&amp;c", u"&amp;", u"&", u"a&b&c"},
      {u"aaa", u"aa", u"b", u"ba"},
      {u"abab", u"ab", u"abab", u"abababab"},
      {u"&amp;amp;", u"&amp;", u"&", u"&amp;"},
      {u"x;y;", u";", u"", u"xy"},
      {u"none", u"zz", u"y", u"none"},
      {u"", u"a", u"b", u""},
      {u"abc", u"", u"x", u"abc"},
      {u"ABC", u"b", u"x", u"ABC"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReplaceAll(QStringView(c.text), QStringView(c.pattern), QStringView(c.replacement)),
              QStringView(c.expected))
        << Utf8(c.text);
  }
}

TEST(LastPos, LastOccurrenceWhollyInsideTheLimit) {
  struct Case {
    const char16_t* sub;
    const char16_t* text;
    qsizetype limit;
    qsizetype expected;
  };
  const Case cases[] = {
      {u"ab", u"abab", 3, 1}, {u"ab", u"abab", 4, 3},
      {u"aa", u"aaa", 3, 2},  {u"ab", u"abab", 2147483647, 3},
      {u"ab", u"abab", 0, 0}, {u"ab", u"abab", -1, 0},
      {u"", u"abab", 4, 0},   {u"ab", u"", 4, 0},
      {u"abc", u"ab", 5, 0},  {u"a", u"a", 1, 1},
      {u"AB", u"abab", 4, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LastPos(QStringView(c.sub), QStringView(c.text), c.limit), c.expected)
        << Utf8(c.sub) << " in " << Utf8(c.text) << " limit " << c.limit;
  }
}

TEST(LastPos, TextEndsAtItsFirstZeroCodeUnit) {
  const QString text = u"ab"_qs + QChar(u'\0') + u"ab"_qs + QChar(u'\0') + u"ab"_qs;
  EXPECT_EQ(LastPos(u"ab", text, 2147483647), 1);
  EXPECT_EQ(LastPos(u"b", QString(QChar(u'\0')) + u"b"_qs, 5), 0);
}

TEST(TextAfterMarker, TakesTheTextBetweenTheMarkersFromTheFirstOccurrence) {
  struct Case {
    const char16_t* text;
    const char16_t* marker;
    const char16_t* second;
    const char16_t* end;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"id=1 id=2", u"id=", u"", u" ", u"1"},
      {u"id= x", u"id=", u"", u" ", u""},
      {u"nothing", u"id=", u"", u" ", u""},
      {u"id=1", u"id=", u"", u" ", u""},
      {u"<div id=\"t\" class=x>Имя</div>", u"id=\"t\"", u">", u"</", u"Имя"},
      {u"<div id=\"t\"</div>", u"id=\"t\"", u">", u"</", u""},
      // The second marker is searched after the marker, the end after the second marker.
      {u">a id> b</c", u"id", u">", u"</", u" b"},
      {u"id>>x<", u"id", u">", u"<", u">x"},
      // The marker's own text is not searched for the end marker.
      {u"ab", u"ab", u"", u"b", u""},
      {u"abab", u"ab", u"", u"b", u"a"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextAfterMarker(QStringView(c.text), QStringView(c.marker), QStringView(c.second),
                              QStringView(c.end)),
              QStringView(c.expected))
        << Utf8(c.text);
  }
}

TEST(TextBeforeMarker, TakesTheTextBeforeTheLastMarkerBackToTheStartMarker) {
  struct Case {
    const char16_t* text;
    const char16_t* marker;
    const char16_t* second;
    const char16_t* start;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"x<b>site</b><span>", u"</b><span", u"", u"<b>", u"site"},
      {u"x</b><span><b>site", u"</b><span", u"", u"<b>", u""},
      {u"<b>a</b><span><b>b</b><span>", u"</b><span", u"", u"<b>", u"b"},
      {u"<b>a</b><span", u"</x>", u"", u"<b>", u""},
      // Without a marker the text runs to the end.
      {u"<b>tail", u"", u"", u"<b>", u"tail"},
      {u"<b>", u"", u"", u"<b>", u""},
      // The second marker must end before the marker starts.
      {u"[a|b|M", u"M", u"|", u"[", u"a|b"},
      {u"[a|M|", u"M", u"|", u"[", u"a"},
      {u"[aM", u"M", u"|", u"[", u""},
      {u"", u"", u"", u"<b>", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextBeforeMarker(QStringView(c.text), QStringView(c.marker), QStringView(c.second),
                               QStringView(c.start)),
              QStringView(c.expected))
        << Utf8(c.text);
  }
}

TEST(HtmlToText, ReplacesTheListedReferencesThenDecodesTheRestAndRemovesTags) {
  struct Case {
    const char16_t* fragment;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"a&amp;b", u"a&b"},
      {u"&lt;b&gt;x", u"x"},
      {u"a < b", u"a "},
      {u"a<br>b", u"a b"},
      {u"a<br/>b", u"ab"},
      {u"a<BR>b", u"ab"},
      {u"a\r\nb", u"ab"},
      {u"a\tb", u"a b"},
      {u"1;2", u"1,2"},
      {u"&nbsp;&bull;&times;&quot;&mdash;&ndash;&laquo;&raquo;&#039;", u" -x\"--\"\"'"},
      {u"&copy;&#39;", u"©'"},
      {u"<b>Окна</b> &laquo;Рассвет&raquo;", u"Окна \"Рассвет\""},
      {u"x > y", u"x > y"},
      {u"<a href=\"x\">one</a><<b>two", u"onetwo"},
      {u"a<b\r\nr>c", u"ac"},
      {u"  a  ", u"  a  "},
      {u"", u""},
      {u"<", u""},
      // Decoded markup is removed like written markup, even when it ends with a bare "<".
      {u"x&lt;", u"x"},
      {u"Johnson &amp; Johnson", u"Johnson & Johnson"},
      {u"&#1071;&#x42F;&#X42f;&#0001071;", u"ЯЯЯЯ"},
      // A decoded ";" is a ";" like any other, and decoded markup goes like written markup.
      {u"a&#59;b&semi;c", u"a,b,c"},
      {u"&#60;b&#62;x&#10;y", u"xy"},
      // One decoding only: what the page shows as "&lt;" is that text.
      {u"&amp;lt;", u"&lt,"},
      {u"&Afr;&nGt;&#128512;&#150;", u"\U0001D504\u226B\u20D2\U0001F600\u2013"},
      {u"&#0;&#xD800;&#x110000;&#99999999999999999999;", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      // Not references: an unknown name, no digits, no ";", a name with a blank.
      {u"&nosuch;&;&#;&#x;&amp &#1071 &am p;", u"&nosuch,&,&#,&#x,&amp &#1071 &am p,"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HtmlToText(QStringView(c.fragment)), QStringView(c.expected)) << Utf8(c.fragment);
  }
}

// Every name of the table is found, and none gives more than the reference's own length.
TEST(HtmlToText, DecodesEveryNamedReference) {
  for (const NamedReference& entry : NamedReferences()) {
    const QString reference = u'&' + entry.name.toString() + u';';
    EXPECT_EQ(DecodeCharacterReferences(reference), entry.text) << reference.toStdString();
    EXPECT_LE(entry.text.size(), reference.size());
  }
}

}  // namespace
}  // namespace korvath
