#include "web/address.h"

#include <QRegularExpression>
#include <QStringList>

#include <stdexcept>

namespace korvath {
namespace {

[[noreturn]] void ThrowBadAddress(const QString& address, const QString& why) {
  throw std::runtime_error(u"Неверный адрес \"%1\": %2"_qs.arg(address, why).toStdString());
}

// Characters that would let an address break out of the request line into the headers.
bool HasControlCharacter(const QString& address) {
  for (const QChar c : address) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) return true;
  }
  return false;
}

// Splits "path?params" (or "path#fragment") into the path with backslashes as slashes, and params.
struct PathAndParams {
  QString path;
  QString params;
  bool hasParams = false;
};

PathAndParams SplitPathAndParams(const QString& rest) {
  PathAndParams result;
  const qsizetype query = rest.indexOf(u'?');
  if (query >= 0) {
    result.path = rest.left(query);
    result.params = rest.mid(query + 1);
    result.hasParams = true;
  } else {
    const qsizetype fragment = rest.indexOf(u'#');
    result.path = fragment >= 0 ? rest.left(fragment) : rest;
  }
  result.path.replace(u'\\', u'/');
  return result;
}

// "." and ".." segments of an absolute path resolved the way browsers resolve them.
QString RemoveDotSegments(const QString& path) {
  QStringList output;
  const QStringList segments = path.split(u'/');
  for (qsizetype i = 1; i < segments.size(); ++i) {
    const QString& segment = segments[i];
    const bool last = i + 1 == segments.size();
    if (segment == u"."_qs || segment == u".."_qs) {
      if (segment == u".."_qs && !output.isEmpty()) output.removeLast();
      if (last) output.append(QString());
    } else {
      output.append(segment);
    }
  }
  return u"/"_qs + output.join(u'/');
}

void SetPathAndDocument(UrlParts& url, const QString& path) {
  const qsizetype lastSlash = path.lastIndexOf(u'/');
  url.Path = path.left(lastSlash + 1);
  url.Document = path.mid(lastSlash + 1);
}

void SetAuthority(UrlParts& url, const QString& authority, const QString& address) {
  QString host = authority;
  QString portText;
  if (authority.startsWith(u'[')) {
    const qsizetype close = authority.indexOf(u']');
    if (close < 0) ThrowBadAddress(address, u"не закрыта скобка адреса IPv6"_qs);
    host = authority.mid(1, close - 1);
    const QString after = authority.mid(close + 1);
    if (after.startsWith(u':'))
      portText = after.mid(1);
    else if (!after.isEmpty())
      ThrowBadAddress(address, u"лишние символы после адреса IPv6"_qs);
  } else if (const qsizetype colon = authority.indexOf(u':'); colon >= 0) {
    host = authority.left(colon);
    portText = authority.mid(colon + 1);
  }
  if (host.isEmpty()) ThrowBadAddress(address, u"не указан сервер"_qs);
  url.Host = host;
  url.Port = DefaultPort(url.Protocol);
  if (!portText.isEmpty()) {
    bool ok = false;
    const int port = portText.toInt(&ok, 10);
    if (!ok || port < 1 || port > 65535 || portText.startsWith(u'+')) {
      ThrowBadAddress(address, u"порт должен быть целым числом от 1 до 65535"_qs);
    }
    url.Port = port;
  }
}

UrlParts ResolveAbsolute(const QString& address, const QString& protocol,
                         qsizetype authorityStart) {
  UrlParts url;
  url.Protocol = protocol.toLower();
  if (url.Protocol != u"http"_qs && url.Protocol != u"https"_qs) {
    ThrowBadAddress(address, u"поддерживаются только http и https"_qs);
  }
  static const QRegularExpression kAuthorityEnd(uR"([/\\?#])"_qs);
  qsizetype authorityEnd = address.indexOf(kAuthorityEnd, authorityStart);
  if (authorityEnd < 0) authorityEnd = address.size();
  SetAuthority(url, address.mid(authorityStart, authorityEnd - authorityStart), address);
  const PathAndParams rest = SplitPathAndParams(address.mid(authorityEnd));
  SetPathAndDocument(url, rest.path.isEmpty() ? u"/"_qs : rest.path);
  url.Params = rest.params;
  return url;
}

}  // namespace

int DefaultPort(const QString& protocol) { return protocol == u"https"_qs ? 443 : 80; }

UrlParts ResolveAddress(const QString& address, const UrlParts& previous) {
  if (HasControlCharacter(address))
    ThrowBadAddress(address, u"адрес содержит управляющие символы"_qs);
  static const QRegularExpression kScheme(u"^([A-Za-z][A-Za-z0-9+.-]*)://"_qs);
  if (const QRegularExpressionMatch scheme = kScheme.match(address); scheme.hasMatch()) {
    return ResolveAbsolute(address, scheme.captured(1), scheme.capturedLength(0));
  }
  if (previous.Host.isEmpty()) {
    ThrowBadAddress(address, u"нет ни протокола, ни сервера, а предыдущего адреса нет"_qs);
  }
  if (address.startsWith(u"//"_qs)) return ResolveAbsolute(address, previous.Protocol, 2);

  UrlParts url = previous;
  const PathAndParams rest = SplitPathAndParams(address);
  if (rest.path.isEmpty()) {
    if (rest.hasParams) url.Params = rest.params;
    return url;
  }
  const QString joined = rest.path.startsWith(u'/') ? rest.path : previous.Path + rest.path;
  SetPathAndDocument(url, RemoveDotSegments(joined));
  url.Params = rest.params;
  return url;
}

QString RequestTarget(const UrlParts& url) {
  QString target = url.Path + url.Document;
  if (!url.Params.isEmpty()) target += u'?' + url.Params;
  return target;
}

QString HostWithPort(const UrlParts& url) {
  const QString host = url.Host.contains(u':') ? u'[' + url.Host + u']' : url.Host;
  if (url.Port == DefaultPort(url.Protocol)) return host;
  return host + u':' + QString::number(url.Port);
}

QString AbsoluteAddress(const UrlParts& url) {
  const QString host = url.Host.contains(u':') ? u'[' + url.Host + u']' : url.Host;
  return url.Protocol + u"://"_qs + host + u':' + QString::number(url.Port) + RequestTarget(url);
}

QString AddressText(const UrlParts& url) {
  return url.Protocol + u"://"_qs + HostWithPort(url) + RequestTarget(url);
}

}  // namespace korvath
