#pragma once

#include <QByteArray>
#include <QList>
#include <QUrl>

#include <memory>

namespace korvath {

// The cookies of one run. Set-Cookie texts are parsed and matched by Qt's cookie classes; this
// class adds what they leave to the caller: a replaced cookie keeps its place among the older
// ones, and expired cookies are dropped before each request.
class CookieJar {
 public:
  CookieJar();
  ~CookieJar();
  CookieJar(const CookieJar&) = delete;
  CookieJar& operator=(const CookieJar&) = delete;

  // Stores the cookies of the Set-Cookie header values of a response to `url`.
  void Store(const QList<QByteArray>& setCookieValues, const QUrl& url);
  // The value of the one "Cookie" header for a request to `url`; empty when no cookie matches.
  QByteArray HeaderFor(const QUrl& url);
  void Clear();

 private:
  class Jar;
  std::unique_ptr<Jar> jar_;
};

}  // namespace korvath
