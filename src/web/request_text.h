#pragma once

#include <QByteArray>
#include <QString>

#include <string>

#include "web/page_fetcher.h"

namespace korvath {

// "Basic " and the Base64 of login ":" password, both as UTF-8.
QByteArray BasicProxyAuthorization(const QString& login, const QString& password);

// The bytes of a page request. `absoluteTarget` names the whole address in the request line, as a
// plain proxy wants it; `proxyAuthorization` and `cookie` are left out when empty.
std::string PageRequestText(const UrlParts& url, bool absoluteTarget,
                            const QByteArray& proxyAuthorization, const QByteArray& cookie);

// The bytes of the request that opens a tunnel through a proxy to the host and port of `url`.
std::string TunnelRequestText(const UrlParts& url, const QByteArray& proxyAuthorization);

}  // namespace korvath
