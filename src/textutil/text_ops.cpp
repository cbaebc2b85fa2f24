#include "textutil/text_ops.h"

#include "textutil/html_references.h"
#include "textutil/text_search.h"

#include <algorithm>
#include <array>

namespace korvath {

namespace {

// A 0-based index as a 1-based position, with -1 ("no match") as 0.
qsizetype ToPosition(qsizetype index) { return index < 0 ? 0 : index + 1; }

}  // namespace

qsizetype Find(QStringView text, QStringView sub, qsizetype from) {
  if (from < 1 || text.isEmpty() || sub.isEmpty() || from > text.size()) {
    return 0;
  }
  return ToPosition(IndexOf(text, sub, from - 1));
}

QStringView Copy(QStringView text, qsizetype pos, qsizetype count) {
  if (count <= 0) {
    return {};
  }
  const qsizetype start = std::max<qsizetype>(pos, 1) - 1;
  if (start >= text.size()) {
    return {};
  }
  return text.sliced(start, std::min(count, text.size() - start));
}

QStringView Trimmed(QStringView text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && text[begin].unicode() <= 32) {
    ++begin;
  }
  while (end > begin && text[end - 1].unicode() <= 32) {
    --end;
  }
  return text.sliced(begin, end - begin);
}

QString ReplaceAll(QStringView text, QStringView pattern, QStringView replacement) {
  // An empty pattern matches nowhere; the text is returned as it is rather than looping forever.
  qsizetype match = pattern.isEmpty() ? -1 : IndexOf(text, pattern);
  if (match < 0) {
    return text.toString();
  }
  QString result;
  result.reserve(text.size());
  qsizetype done = 0;
  while (match >= 0) {
    result.append(text.sliced(done, match - done));
    result.append(replacement);
    done = match + pattern.size();
    match = IndexOf(text, pattern, done);
  }
  result.append(text.sliced(done));
  return result;
}

qsizetype LastPos(QStringView sub, QStringView text, qsizetype limit) {
  if (sub.isEmpty() || limit <= 0) {
    return 0;
  }
  QStringView window = text.first(std::min(limit, text.size()));
  // The text counts as ending at its first zero code unit.
  const qsizetype zero = window.indexOf(QChar(u'\0'));
  if (zero >= 0) {
    window.truncate(zero);
  }
  return ToPosition(LastIndexOf(window, sub));
}

QString TextAfterMarker(QStringView text, QStringView marker, QStringView second, QStringView end) {
  qsizetype p = Find(text, marker);
  if (p == 0) {
    return {};
  }
  QStringView current = marker;
  if (!second.isEmpty()) {
    p = Find(text, second, p + marker.size());
    current = second;
    if (p == 0) {
      return {};
    }
  }
  const qsizetype e = Find(text, end, p + current.size());
  if (e == 0) {
    return {};
  }
  return Copy(text, p + current.size(), e - p - current.size()).toString();
}

QString TextBeforeMarker(QStringView text, QStringView marker, QStringView second,
                         QStringView start) {
  qsizetype p = marker.isEmpty() ? text.size() + 1 : LastPos(marker, text, 2147483647);
  if (p == 0) {
    return {};
  }
  if (!second.isEmpty()) {
    p = LastPos(second, text, p - 1);
    if (p == 0) {
      return {};
    }
  }
  const qsizetype s = LastPos(start, text, p - 1);
  if (s == 0) {
    return {};
  }
  return Copy(text, s + start.size(), p - s - start.size()).toString();
}

namespace {

struct Replacement {
  QStringView pattern;
  QStringView replacement;
};

// Applied one after the other, each to the whole text, before tags are removed. Every other
// character reference is decoded after the table's own and before ";" becomes ",", so that none
// is cut at its ";".
constexpr std::array<Replacement, 11> kReferenceReplacements = {{
    {u"&nbsp;", u" "},
    {u"&bull;", u"-"},
    {u"&times;", u"x"},
    {u"&quot;", u"\""},
    {u"&mdash;", u"-"},
    {u"&ndash;", u"-"},
    {u"&laquo;", u"\""},
    {u"&raquo;", u"\""},
    {u"&lt;", u"<"},
    {u"&gt;", u">"},
    {u"&#039;", u"'"},
}};

constexpr std::array<Replacement, 5> kTextReplacements = {{
    {u";", u","},
    {u"<br>", u" "},
    {u"\r", u""},
    {u"\n", u""},
    {u"\t", u" "},
}};

// Drops every tag in one pass: from a "<" to the next ">", or to the end when no ">" follows.
QString RemoveTags(QStringView text) {
  QString result;
  result.reserve(text.size());
  qsizetype done = 0;
  while (done < text.size()) {
    const qsizetype open = text.indexOf(u'<', done);
    if (open < 0) {
      result.append(text.sliced(done));
      break;
    }
    result.append(text.sliced(done, open - done));
    const qsizetype close = text.indexOf(u'>', open);
    if (close < 0) {
      break;
    }
    done = close + 1;
  }
  return result;
}

void Replace(QString& text, const Replacement& step) {
  if (IndexOf(text, step.pattern) >= 0) {
    text = ReplaceAll(text, step.pattern, step.replacement);
  }
}

}  // namespace

QString HtmlToText(QStringView fragment) {
  QString text = fragment.toString();
  for (const Replacement& step : kReferenceReplacements) Replace(text, step);
  if (text.contains(u'&')) text = DecodeCharacterReferences(text);
  for (const Replacement& step : kTextReplacements) Replace(text, step);
  return RemoveTags(text);
}

}  // namespace korvath
