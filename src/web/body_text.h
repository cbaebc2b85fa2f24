#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace korvath {

// The page text of a received body: UTF-8 whatever the declared charset, U+FFFD for malformed
// sequences, a leading byte-order mark kept as U+FEFF, zero bytes kept as U+0000.
QString BodyToText(const QByteArray& body);

// Percent-encoding of a query for the search address: UTF-8 bytes, letters and digits kept,
// every other byte as "%" and two upper-case hexadecimal digits.
QString EncodeQueryText(QStringView text);

}  // namespace korvath
