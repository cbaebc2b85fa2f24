#pragma once

#include <QByteArrayView>
#include <QString>

namespace korvath {

// The Windows-1251 code page, held by the program itself: Qt reads it through ICU on Linux, and
// Qt on Windows is built without ICU, so both builds read and write its bytes from one table.

// The character byte `byte` stands for; byte 0x98, which the code page leaves unused, stands for
// U+0098 as it does in ICU's table.
char16_t Windows1251Char(unsigned char byte);

// The byte that stands exactly for `c`, or 0 where the code page has none (U+0000 maps to 0).
char Windows1251Byte(char16_t c);

QString DecodeWindows1251(QByteArrayView bytes);

}  // namespace korvath
