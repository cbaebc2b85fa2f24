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
  // There is a "proxies.txt": a job without proxies from it must not say the file has none.
  bool present = false;
  std::vector<ListedProxy> proxies;
  // One log line per line that could not be used, with its number; never a password.
  QStringList problems;
  // For the log when the file was read as Windows-1251; empty otherwise.
  QString encodingNotice;
  // Set when the file lists proxies but none of them can be used: why the job must not start.
  QString refusal;
};

// Reads "proxies.txt" in `programFolder`, one proxy per line as `[login[:password]@]host:port`,
// where "http://" may stand in front, the host may be "[IPv6]" and the password may hold "@"
// (the last "@" ends it); blank lines and lines starting with "#" are skipped, and so is a line
// that cannot be used (another scheme, no host, no port or one outside 1..65535) or names a proxy
// of an earlier line again, each with a problem line. No file gives an empty list. Throws
// std::runtime_error, with a Russian reason, when the file exists but cannot be read.
ProxyList ReadProxyList(const QString& programFolder);

// Why no job may start with the "proxies.txt" of `programFolder`: it is there but cannot be read
// (a folder, no permission), or it lists proxies and none can be used; the requests would go out
// from the user's own address. A Russian sentence for the log and the window; empty when the job
// may start (no file, nothing but comments, or a usable proxy).
QString ProxyListRefusal(const QString& programFolder);

// Why a "proxy.txt" that exists is not used (its first line names no port), for the log; empty
// when there is no such file or it is used. Meant for a job without a pool: the notice says the
// requests go out directly. Throws std::runtime_error when the file exists but cannot be read.
QString IgnoredProxyFileNotice(const QString& programFolder);

}  // namespace korvath
