#pragma once

#include <QString>
#include <QStringView>

namespace korvath {

// `text` with every character reference that ends with ";" replaced by what it stands for: the
// named ones of HTML ("&amp;"), decimal ("&#1071;") and hexadecimal ("&#x42F;"), the numbers as
// HTML reads them (none, a surrogate or one beyond Unicode is U+FFFD; 128 to 159 are the
// Windows-1252 characters). A name HTML does not know stays as it is. Never longer than `text`.
QString DecodeCharacterReferences(QStringView text);

}  // namespace korvath
