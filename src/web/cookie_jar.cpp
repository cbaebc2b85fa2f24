#include "web/cookie_jar.h"

#include <QDateTime>
#include <QHostAddress>
#include <QNetworkCookie>
#include <QNetworkCookieJar>

namespace korvath {

// Qt's jar appends a replacing cookie at the end, which would make it the newest; the Cookie header
// orders equal path lengths by age, and a replaced cookie keeps the age of the one it replaces.
class CookieJar::Jar final : public QNetworkCookieJar {
 public:
  bool insertCookie(const QNetworkCookie& cookie) override {
    QList<QNetworkCookie> cookies = allCookies();
    for (QNetworkCookie& existing : cookies) {
      if (!existing.hasSameIdentifier(cookie)) continue;
      if (IsExpired(cookie, QDateTime::currentDateTimeUtc())) return deleteCookie(cookie);
      existing = cookie;
      setAllCookies(cookies);
      return true;
    }
    return QNetworkCookieJar::insertCookie(cookie);
  }

  void DropExpired() {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QList<QNetworkCookie> cookies = allCookies();
    const auto removed =
        cookies.removeIf([&](const QNetworkCookie& cookie) { return IsExpired(cookie, now); });
    if (removed > 0) setAllCookies(cookies);
  }

  void RemoveAll() { setAllCookies({}); }

 private:
  static bool IsExpired(const QNetworkCookie& cookie, const QDateTime& now) {
    return !cookie.isSessionCookie() && cookie.expirationDate() <= now;
  }
};

namespace {

// The directory of the request path without its trailing "/", or "/" at the top.
QString DefaultCookiePath(const QString& requestPath) {
  const qsizetype lastSlash = requestPath.lastIndexOf(u'/');
  if (!requestPath.startsWith(u'/') || lastSlash <= 0) return u"/"_qs;
  return requestPath.left(lastSlash);
}

// Qt matches a Domain attribute by suffix alone, so a cookie that 127.0.0.1 set for ".0.0.1" would
// go to 10.0.0.1 as well. An address names a single host: only a cookie of exactly that host may
// go to it.
bool SentToOtherAddress(const QNetworkCookie& cookie, const QUrl& url) {
  const QString host = url.host();
  if (QHostAddress(host).isNull()) return false;
  const QString domain = cookie.domain();
  return QStringView(domain)
             .sliced(domain.startsWith(u'.') ? 1 : 0)
             .compare(host, Qt::CaseInsensitive) != 0;
}

}  // namespace

CookieJar::CookieJar() : jar_(std::make_unique<Jar>()) {}
CookieJar::~CookieJar() = default;

void CookieJar::Store(const QList<QByteArray>& setCookieValues, const QUrl& url) {
  for (const QByteArray& value : setCookieValues) {
    QList<QNetworkCookie> cookies = QNetworkCookie::parseCookies(value);
    // Qt would default to the directory with its trailing "/", which misses a request for the
    // directory itself ("/a" after a cookie set by "/a/b") and sorts the cookie as too long.
    for (QNetworkCookie& cookie : cookies) {
      if (cookie.path().isEmpty()) cookie.setPath(DefaultCookiePath(url.path()));
    }
    jar_->setCookiesFromUrl(cookies, url);
  }
}

QByteArray CookieJar::HeaderFor(const QUrl& url) {
  jar_->DropExpired();
  QByteArray header;
  for (const QNetworkCookie& cookie : jar_->cookiesForUrl(url)) {
    if (SentToOtherAddress(cookie, url)) continue;
    if (!header.isEmpty()) header += "; ";
    header += cookie.toRawForm(QNetworkCookie::NameAndValueOnly);
  }
  return header;
}

void CookieJar::Clear() { jar_->RemoveAll(); }

}  // namespace korvath
