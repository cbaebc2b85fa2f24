#include "web/proxy_list.h"

#include "textutil/russian_plural.h"
#include "textutil/text_file.h"
#include "web/proxy_file.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <optional>
#include <stdexcept>

namespace korvath {
namespace {

constexpr QStringView kHttpScheme = u"http://";
constexpr QStringView kNotStarted =
    u". Работа не начата, чтобы запросы не ушли без прокси с вашего собственного адреса";

// "socks5://", "https://" and the like: the fetcher speaks only to a plain HTTP proxy. Looked for
// at the start of the line, as a scheme before a login would otherwise pass for a login ("http")
// and a password ("//user:secret").
bool StartsWithScheme(const QString& line) {
  static const QRegularExpression scheme(u"^[A-Za-z][A-Za-z0-9+.-]*://"_qs);
  return scheme.match(line).hasMatch();
}

// Blanks or a slash cannot stand in a host name; they come from a pasted address or a comment.
bool HostIsUsable(const QString& host) {
  if (host.isEmpty()) return false;
  for (const QChar c : host) {
    if (c.isSpace() || c == u'/') return false;
  }
  return true;
}

bool IsIpv6Address(const QString& host) {
  static const QRegularExpression ipv6(u"^[0-9A-Fa-f.]*:[0-9A-Fa-f:.]*$"_qs);
  return ipv6.match(host).hasMatch();
}

// Two lines for one proxy would let two workers send through one address at once. The login
// counts: a provider's gateway often gives each login an address of its own.
QString ProxyKey(const ListedProxy& proxy) {
  return proxy.params.ProxyServer.toLower() + u':' + QString::number(proxy.params.ProxyPort) +
         u'@' + proxy.params.ProxyUsername;
}

// `[login[:password]@]host:port`, the host also as "[IPv6]"; the last "@" ends the credentials,
// so that a password may hold one.
std::optional<ListedProxy> ParseLine(const QString& line) {
  const qsizetype at = line.lastIndexOf(u'@');
  const QString credentials = at >= 0 ? line.left(at) : QString();
  const QString hostPart = at >= 0 ? line.mid(at + 1) : line;
  QString host;
  QString portText;
  QString name;
  if (hostPart.startsWith(u'[')) {
    const qsizetype close = hostPart.indexOf(u']');
    if (close < 0 || hostPart.mid(close + 1, 1) != u":"_qs) return std::nullopt;
    host = hostPart.mid(1, close - 1);
    portText = hostPart.mid(close + 2);
    if (!IsIpv6Address(host)) return std::nullopt;
    name = u'[' + host + u"]:"_qs + portText;
  } else {
    const qsizetype colon = hostPart.indexOf(u':');
    if (colon < 0) return std::nullopt;
    host = hostPart.left(colon);
    portText = hostPart.mid(colon + 1);
    if (!HostIsUsable(host)) return std::nullopt;
    name = host + u':' + portText;
  }
  const std::optional<int> port = ProxyPortNumber(portText);
  if (!port) return std::nullopt;
  ListedProxy proxy{{host, *port, {}, {}, false}, name};
  const qsizetype colon = credentials.indexOf(u':');
  proxy.params.ProxyUsername = colon < 0 ? credentials : credentials.left(colon);
  if (!proxy.params.ProxyUsername.isEmpty()) {
    proxy.params.ProxyPassword = colon < 0 ? QString() : credentials.mid(colon + 1);
    proxy.params.BasicAuthentication = true;
  }
  return proxy;
}

}  // namespace

ProxyList ReadProxyList(const QString& programFolder) {
  ProxyList list;
  const QString path = QDir(programFolder).filePath(u"proxies.txt"_qs);
  if (!QFileInfo::exists(path)) return list;
  list.present = true;
  const TextFileLines file = ReadTextFile(path);
  const QStringList& lines = file.lines;
  if (file.readAsWindows1251) list.encodingNotice = Windows1251Notice(path);
  QHash<QString, qsizetype> lineOfProxy;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    QString line = lines[i].trimmed();
    if (line.isEmpty() || line.startsWith(u'#')) continue;
    const QString lineName = u"proxies.txt, строка "_qs + QString::number(i + 1) + u": "_qs;
    // The form most lists give: an HTTP proxy named by its address.
    if (line.startsWith(kHttpScheme, Qt::CaseInsensitive)) line = line.mid(kHttpScheme.size());
    if (StartsWithScheme(line)) {
      list.problems.append(lineName +
                           u"перед адресом прокси стоит схема, отличная от http:// (программа "
                           u"работает только с HTTP-прокси); строка пропущена"_qs);
      continue;
    }
    const std::optional<ListedProxy> proxy = ParseLine(line);
    if (!proxy) {
      list.problems.append(lineName +
                           u"нужно [логин[:пароль]@]хост:порт с портом от 1 до 65535; "
                           u"строка пропущена"_qs);
      continue;
    }
    const QString key = ProxyKey(*proxy);
    if (const auto earlier = lineOfProxy.constFind(key); earlier != lineOfProxy.cend()) {
      list.problems.append(lineName + u"тот же прокси, что в строке "_qs +
                           QString::number(*earlier) + u"; строка пропущена"_qs);
      continue;
    }
    lineOfProxy.insert(key, i + 1);
    list.proxies.push_back(*proxy);
  }
  if (list.proxies.empty() && !list.problems.isEmpty()) {
    list.refusal =
        u"В файле proxies.txt нет ни одного годного прокси (пропущено: %1, причины "
        u"названы в логе)"_qs.arg(CountOf(list.problems.size(), {u"строка", u"строки", u"строк"})) +
        kNotStarted.toString();
  }
  return list;
}

QString ProxyListRefusal(const QString& programFolder) {
  try {
    return ReadProxyList(programFolder).refusal;
  } catch (const std::runtime_error& error) {
    return QString::fromStdString(error.what()) + kNotStarted.toString();
  }
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
