#pragma once

#include <QString>

#include "web/page_fetcher.h"

namespace korvath {

// 443 for "https", 80 for anything else.
int DefaultPort(const QString& protocol);

// The address of a request in parts, resolved against the previous request's address: an address
// without scheme and host keeps the previous scheme, host and port; a path starting with "/"
// replaces the previous path, any other path is joined to it with "." and ".." resolved.
// Backslashes before the query count as "/". Nothing is percent-encoded.
// Throws std::runtime_error for an address that cannot be requested.
UrlParts ResolveAddress(const QString& address, const UrlParts& previous);

// Path, document and, when there are parameters, "?" and the parameters.
QString RequestTarget(const UrlParts& url);
// The host, with ":" and the port only when the port is not the scheme's default.
QString HostWithPort(const UrlParts& url);
// Scheme, host, port and request target: the form a plain proxy wants in the request line.
QString AbsoluteAddress(const UrlParts& url);
// The whole address as the user would write it (port only when not the default).
QString AddressText(const UrlParts& url);

}  // namespace korvath
