#include "web/request_text.h"

#include "web/address.h"

namespace korvath {
namespace {

constexpr const char* kAccept =
    "text/html,application/xhtml+xml,application/xml;q=0.9,image/avif,image/webp,*/*;q=0.8";
constexpr const char* kAcceptLanguage = "ru-RU,ru;q=0.8,en-US;q=0.5,en;q=0.3";
constexpr const char* kUserAgent =
    "Mozilla/5.0 (Windows NT 6.1; Win64; x64; rv:109.0) Gecko/20100101 Firefox/115.0";

void AddHeader(std::string& text, const char* name, const QByteArray& value) {
  text += name;
  text += ": ";
  text.append(value.constData(), static_cast<std::size_t>(value.size()));
  text += "\r\n";
}

}  // namespace

QByteArray BasicProxyAuthorization(const QString& login, const QString& password) {
  return "Basic " + (login + u':' + password).toUtf8().toBase64();
}

std::string PageRequestText(const UrlParts& url, bool absoluteTarget,
                            const QByteArray& proxyAuthorization, const QByteArray& cookie) {
  const QString target = absoluteTarget ? AbsoluteAddress(url) : RequestTarget(url);
  std::string text = "GET " + target.toStdString() + " HTTP/1.1\r\n";
  AddHeader(text, "Host", HostWithPort(url).toUtf8());
  AddHeader(text, "Accept", kAccept);
  AddHeader(text, "Accept-Language", kAcceptLanguage);
  AddHeader(text, "User-Agent", kUserAgent);
  if (!proxyAuthorization.isEmpty()) AddHeader(text, "Proxy-Authorization", proxyAuthorization);
  if (!cookie.isEmpty()) AddHeader(text, "Cookie", cookie);
  text += "\r\n";
  return text;
}

std::string TunnelRequestText(const UrlParts& url, const QByteArray& proxyAuthorization) {
  const QString host = url.Host.contains(u':') ? u'[' + url.Host + u']' : url.Host;
  std::string text =
      "CONNECT " + (host + u':' + QString::number(url.Port)).toStdString() + " HTTP/1.1\r\n";
  AddHeader(text, "Pragma", "no-cache");
  AddHeader(text, "Proxy-Connection", "keep-alive");
  AddHeader(text, "Host", HostWithPort(url).toUtf8());
  AddHeader(text, "User-Agent", kUserAgent);
  if (!proxyAuthorization.isEmpty()) AddHeader(text, "Proxy-Authorization", proxyAuthorization);
  text += "\r\n";
  return text;
}

}  // namespace korvath
