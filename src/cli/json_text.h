#pragma once

#include <QByteArray>
#include <QStringView>

namespace korvath {

// `text` as a quoted JSON string in UTF-8. Every code unit survives the trip: quotes, backslashes
// and control characters are escaped, and an unpaired surrogate, which UTF-8 cannot carry, is
// written as its \u escape instead of being replaced; so is a byte-order mark.
QByteArray JsonString(QStringView text);

}  // namespace korvath
