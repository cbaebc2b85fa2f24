#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace korvath {

// The proxy that every request of a run goes through; empty server means none.
struct ProxyParams {
  QString ProxyServer;
  int ProxyPort = 0;
  QString ProxyUsername;
  QString ProxyPassword;
  bool BasicAuthentication = false;
};

// The address of the most recent request, in parts. Path runs up to and including the last "/"
// before the query; Document is the text after it up to "?" (or "#" when there is no "?").
struct UrlParts {
  QString Protocol;
  QString Host;
  int Port = 0;
  QString Path;
  QString Document;
  QString Params;
};

// What the answers to the most recent request said besides their bodies, so that the job can
// tell the engine's refusal from a page.
struct AnswerTrace {
  // The path of every address asked for on the way, the first and the final one included.
  QStringList paths;
  // Some answer on the way carried the engine's "X-Yandex-Captcha" header.
  bool captchaHeader = false;
  // "Retry-After" of the final answer in seconds from now (its delay form, or its date form).
  std::optional<int> retryAfterSeconds;
  // The request failed at the proxy, before anything came from the engine: no connection to the
  // proxy, its tunnel refused or cut, or its 407. Every other failure is the request's own.
  bool proxyFault = false;
};

// The one HTTP(S) client of a job run, as the job sees it. Failures are thrown as
// std::runtime_error whose what() is the UTF-8 message (for an HTTP error status: the status line
// exactly as received, e.g. "HTTP/1.1 404 Not Found").
class PageFetcher {
 public:
  virtual ~PageFetcher() = default;

  // Requests `address` (redirects followed) and appends the final body to `buffer`.
  virtual void Get(const QString& address, QByteArray& buffer) = 0;
  // Status of the final response to the most recent request; 0 before its first status line.
  virtual int ResponseCode() const = 0;
  virtual const UrlParts& URL() const = 0;
  // Cleared at the start of every request.
  virtual const AnswerTrace& LastAnswer() const = 0;
  virtual void ClearCookies() = 0;
  virtual void Disconnect() = 0;
  virtual void DropConnection() = 0;
  virtual void SetProxyParams(const ProxyParams& params) = 0;
  virtual const ProxyParams& GetProxyParams() const = 0;
  // From any thread: breaks off the request in flight; it and every later one fail.
  virtual void Abort() {}
};

}  // namespace korvath
