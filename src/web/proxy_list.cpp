#include "web/proxy_list.h"

#include "textutil/text_file.h"
#include "web/proxy_file.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

namespace korvath {
namespace {

// "http://", "socks5://" and the like: the fetcher speaks only to an HTTP proxy, named by host
// and port. Looked for at the start of the line, as a scheme before a login would otherwise pass
// for a login ("http") and a password ("//user:secret").
bool StartsWithScheme(const QString& line) {
  static const QRegularExpression scheme(u"^[A-Za-z][A-Za-z0-9+.-]*://"_qs);
  return scheme.match(line).hasMatch();
}

// Blanks or a slash cannot stand in a host name; they come from a pasted address or a comment.
// An "@" there is the rest of a password that held one: the host is the name the log shows.
bool HostIsUsable(const QString& host) {
  if (host.isEmpty()) return false;
  for (const QChar c : host) {
    if (c.isSpace() || c == u'/' || c == u'@') return false;
  }
  return true;
}

// Two lines for one proxy would let two workers send through one address at once. The login
// counts: a provider's gateway often gives each login an address of its own.
QString ProxyKey(const ProxySettings& proxy) {
  return proxy.hostText.toLower() + u':' + QString::number(proxy.params.ProxyPort) + u'@' +
         proxy.login;
}

}  // namespace

ProxyList ReadProxyList(const QString& programFolder) {
  ProxyList list;
  const QString path = QDir(programFolder).filePath(u"proxies.txt"_qs);
  if (!QFileInfo::exists(path)) return list;
  const TextFileLines file = ReadTextFile(path);
  const QStringList& lines = file.lines;
  if (file.readAsWindows1251) list.encodingNotice = Windows1251Notice(path);
  QHash<QString, qsizetype> lineOfProxy;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const QString line = lines[i].trimmed();
    if (line.isEmpty() || line.startsWith(u'#')) continue;
    const QString lineName = u"proxies.txt, строка "_qs + QString::number(i + 1) + u": "_qs;
    if (StartsWithScheme(line)) {
      list.problems.append(lineName +
                           u"перед адресом прокси стоит схема (нужно хост:порт без "
                           u"http://); строка пропущена"_qs);
      continue;
    }
    const ProxySettings proxy = ParseProxyText(line);
    if (!HostIsUsable(proxy.hostText) || proxy.params.ProxyPort == 0) {
      list.problems.append(lineName +
                           u"нужно [логин[:пароль]@]хост:порт с портом от 1 до 65535; "
                           u"строка пропущена"_qs);
      continue;
    }
    const QString key = ProxyKey(proxy);
    if (const auto earlier = lineOfProxy.constFind(key); earlier != lineOfProxy.cend()) {
      list.problems.append(lineName + u"тот же прокси, что в строке "_qs +
                           QString::number(*earlier) + u"; строка пропущена"_qs);
      continue;
    }
    lineOfProxy.insert(key, i + 1);
    list.proxies.push_back({proxy.params, proxy.hostText + u':' + proxy.portText});
  }
  return list;
}

QString IgnoredProxyFileNotice(const QString& programFolder) {
  const QString path = QDir(programFolder).filePath(u"proxy.txt"_qs);
  if (!QFileInfo::exists(path)) return {};
  const QStringList lines = ReadTextLines(path);
  if (!lines.isEmpty() && lines.first().contains(u':')) return {};
  return u"Файл proxy.txt есть, но прокси из него не используется: в первой строке нет "
         u"хост:порт. Запросы идут напрямую, без прокси"_qs;
}

}  // namespace korvath
