#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <gtest/gtest.h>

#include <string>

namespace korvath {

// The text of a page written for these tests, decoded the way the job decodes a body.
inline QString ReadTestPage(const char* name) {
  QFile file(QStringLiteral(KORVATH_ENGINE_TEST_DATA) + u'/' + QLatin1String(name));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
  return QString::fromUtf8(file.readAll());
}

inline std::string Utf8(QStringView text) { return text.toString().toStdString(); }

}  // namespace korvath
