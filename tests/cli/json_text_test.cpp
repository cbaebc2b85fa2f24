#include "cli/json_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include <gtest/gtest.h>

namespace korvath {
namespace {

TEST(JsonString, EscapesOnlyWhatJsonRequiresAndKeepsEveryCodeUnit) {
  struct Case {
    QString text;
    QByteArray expected;
  };
  const Case cases[] = {
      {QString(), "\"\""},
      {u"plain text"_qs, "\"plain text\""},
      {u"кавычки \"и\" \\ / слэш"_qs, "\"" + u"кавычки \\\"и\\\" \\\\ / слэш"_qs.toUtf8() + "\""},
      {QChar(0) + u"\t\r\n\x1f\x7f"_qs, "\"\\u0000\\u0009\\u000d\\u000a\\u001f\x7f\""},
      {u"\U0001F600"_qs, "\"\xF0\x9F\x98\x80\""},
      {QString(QChar(0xD800)) + u"x"_qs + QChar(0xDC00), "\"\\ud800x\\udc00\""},
      {QString(QChar(0xDC00)) + QChar(0xD800), "\"\\udc00\\ud800\""},
      {QChar(0xFEFF) + u"a"_qs, "\"\\ufeffa\""},
  };
  for (const Case& c : cases) {
    const QByteArray json = JsonString(c.text);
    EXPECT_EQ(json, c.expected) << c.expected.toStdString();
    // What a JSON reader gets back is the text itself.
    if (!c.text.contains(QChar(0xD800))) {
      const QJsonDocument document = QJsonDocument::fromJson("[" + json + "]");
      EXPECT_EQ(document.array().at(0).toString(), c.text) << c.expected.toStdString();
    }
  }
}

}  // namespace
}  // namespace korvath
