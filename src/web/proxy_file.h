#pragma once

#include <QString>

#include <optional>

#include "web/page_fetcher.h"

namespace korvath {

// What "proxy.txt" of the program folder says. The password is kept for the fetcher only and is
// never part of any text meant for the log or a file.
struct ProxySettings {
  QString hostText;
  QString portText;
  QString login;
  QString password;
  ProxyParams params;  // what the fetcher receives
  QString logLine;     // "Используем прокси ..." — never contains the password
  // Set when the port text is not a whole number in 1..65535: the proxy cannot be used and no
  // request may go out. A clear, user-facing Russian sentence for the log.
  std::optional<QString> unusableReason;
  // For the log when the file was read as Windows-1251; empty otherwise.
  QString encodingNotice;
};

// One proxy text, `[login[:password]@]host:port`, trimmed of blanks and control characters.
ProxySettings ParseProxyText(const QString& text);

// A port written as digits only, 1 to 65535; nullopt for anything else.
std::optional<int> ProxyPortNumber(const QString& portText);

// Reads "proxy.txt" in `programFolder` (which ends with a path separator or not).
// nullopt when there is no file, it has no lines, or its first line has no ":" — no proxy and
// nothing to log. Throws std::runtime_error when the file exists but cannot be read.
std::optional<ProxySettings> ReadProxyFile(const QString& programFolder);

}  // namespace korvath
