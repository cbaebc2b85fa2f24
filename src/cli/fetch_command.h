#pragma once

#include <QStringList>

namespace korvath {

inline constexpr const char* kFetchUsage = "fetch [--dir DIR] [--out FILE] URL...";

// `korvath-cli fetch ...`: requests the addresses in order through one page fetcher, so cookies
// and the connection carry over, with the proxy file of DIR (the program folder by default)
// applied first. Prints one JSON line per address to stdout; the body of the last address goes
// to --out when it was received. Returns 0 when every request succeeded, 1 when one failed or the
// proxy file names an unusable proxy (then nothing is sent), 2 for bad arguments or an unreadable
// proxy file. Needs a QCoreApplication.
int FetchCommand(const QStringList& arguments);

}  // namespace korvath
