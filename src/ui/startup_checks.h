#pragma once

#include <QString>

namespace korvath {

// Caption of the message box that reports a failed location check.
inline constexpr char16_t kLocationCheckCaption[] = u"Внимание!";

// The message of the first location check that the program folder fails, or an empty text when
// it passes them all. `folderPath` ends in the platform's separator; `tlsAvailable` says whether
// the TLS library could be initialised.
QString LocationCheckMessage(const QString& folderPath, bool tlsAvailable);

}  // namespace korvath
