#pragma once

#include "web/page_fetcher.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace korvath {

// One usable proxy of "proxies.txt": what the fetcher receives, and the name the log shows
// ("host:port", never the password).
struct ListedProxy {
  ProxyParams params;
  QString name;
};

struct ProxyList {
  std::vector<ListedProxy> proxies;
  // One log line per line that could not be used, with its number; never a password.
  QStringList problems;
  // For the log when the file was read as Windows-1251; empty otherwise.
  QString encodingNotice;
};

// Reads "proxies.txt" in `programFolder`, one proxy per line in the syntax of "proxy.txt";
// blank lines and lines starting with "#" are skipped. No file gives an empty list. Throws
// std::runtime_error when the file exists but cannot be read.
ProxyList ReadProxyList(const QString& programFolder);

// Why a "proxy.txt" that exists is not used (its first line names no port), for the log; empty
// when there is no such file or it is used.
QString IgnoredProxyFileNotice(const QString& programFolder);

}  // namespace korvath
