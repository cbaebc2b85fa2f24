#include "web/tpage_fetcher.h"

#include <QDateTime>
#include <QTimeZone>
#include <QUrl>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/beast/http/field.hpp>

#include <openssl/ssl.h>

#include <algorithm>
#include <array>
#include <optional>
#include <stdexcept>

#include "web/address.h"
#include "web/cookie_jar.h"
#include "web/request_text.h"
#include "web/transport.h"

namespace korvath {
namespace {

namespace asio = boost::asio;
namespace http = boost::beast::http;

// A redirect response that would be the fifteenth of one request ends it instead.
constexpr int kRedirectResponseLimit = 15;

// Where the open connection leads: the peer it was made to and, through a proxy, the tunnel's end.
struct Route {
  std::string host;
  int port = 0;
  bool tls = false;
  std::string tunnelTarget;
  bool operator==(const Route&) const = default;
};

asio::ssl::context MakeTlsContext() {
  asio::ssl::context context(asio::ssl::context::tls_client);
  // Every version the library still offers, up to TLS 1.2; no trust store and no name check.
  SSL_CTX_set_min_proto_version(context.native_handle(), 0);
  SSL_CTX_set_max_proto_version(context.native_handle(), TLS1_2_VERSION);
  context.set_verify_mode(asio::ssl::verify_none);
  return context;
}

// The status line exactly as the server wrote it: version, code and reason with single blanks.
std::string StatusLine(const ResponseParser& parser) {
  const auto& header = parser.get();
  std::string line = "HTTP/" + std::to_string(header.version() / 10) + "." +
                     std::to_string(header.version() % 10) + " " +
                     std::to_string(header.result_int());
  if (!header.reason().empty()) line += " " + std::string(header.reason());
  return line;
}

// "Retry-After" as seconds from now: its delay form, or its HTTP-date form (a date already past
// is 0 s); anything else gives nothing.
std::optional<int> RetryAfterSeconds(std::string_view value) {
  while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
  while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
  if (value.empty()) return std::nullopt;
  if (value.find_first_not_of("0123456789") == std::string_view::npos) {
    if (value.size() > 9) return std::nullopt;
    int seconds = 0;
    for (const char c : value) seconds = seconds * 10 + (c - '0');
    return seconds;
  }
  // The HTTP-date of RFC 9110, always in GMT: "Sun, 06 Nov 1994 08:49:37 GMT".
  QDateTime date =
      QDateTime::fromString(QString::fromLatin1(value.data(), static_cast<qsizetype>(value.size())),
                            u"ddd, dd MMM yyyy HH:mm:ss 'GMT'"_qs);
  if (!date.isValid()) return std::nullopt;
  date.setTimeZone(QTimeZone::utc());
  const qint64 seconds = QDateTime::currentDateTimeUtc().secsTo(date);
  return int(std::clamp<qint64>(seconds, 0, 999999999));
}

QUrl CookieUrl(const UrlParts& url) {
  QUrl cookieUrl;
  cookieUrl.setScheme(url.Protocol);
  cookieUrl.setHost(url.Host);
  cookieUrl.setPort(url.Port);
  cookieUrl.setPath(url.Path + url.Document, QUrl::TolerantMode);
  return cookieUrl;
}

}  // namespace

class TPageFetcher::Impl {
 public:
  explicit Impl(FetcherOptions options)
      : options_(options), tlsContext_(MakeTlsContext()), transport_(io_, tlsContext_, options_) {}

  void Get(const QString& address, QByteArray& buffer) {
    responseCode_ = 0;
    trace_ = AnswerTrace();
    const qsizetype start = buffer.size();
    QString next = address;
    for (int redirects = 0;;) {
      url_ = ResolveAddress(next, url_);
      trace_.paths.append(url_.Path + url_.Document);
      OpenRoute();
      SendRequest();
      std::optional<ResponseParser> response;
      ReadFinalHeader(response);
      ResponseParser& parser = *response;
      NoteAnswer(parser);
      const int status = static_cast<int>(parser.get().result_int());
      if (status == 101) {
        Disconnect();
        return;
      }
      if (status >= 200 && status < 300) {
        ReadBody(parser, &buffer);
        FinishResponse(parser);
        return;
      }
      const auto location = parser.get().find(http::field::location);
      if (status >= 300 && status < 400 && status != 304 && location != parser.get().end()) {
        next = QString::fromUtf8(location->value().data(),
                                 static_cast<qsizetype>(location->value().size()));
        ReadBody(parser, nullptr);
        FinishResponse(parser);
        buffer.truncate(start);
        if (++redirects == kRedirectResponseLimit) return;
        continue;
      }
      trace_.proxyFault = UsesProxy() && status == 407;
      FailWithStatus(parser);
    }
  }

  void Disconnect() {
    transport_.Close();
    closeAfterResponse_ = false;
  }

  FetcherOptions options_;
  asio::io_context io_;
  asio::ssl::context tlsContext_;
  Transport transport_;
  CookieJar cookies_;
  UrlParts url_;
  int responseCode_ = 0;
  AnswerTrace trace_;
  ProxyParams proxy_;

 private:
  bool UsesProxy() const { return !proxy_.ProxyServer.isEmpty(); }
  bool IsTls() const { return url_.Protocol == u"https"_qs; }

  QByteArray ProxyAuthorization() const {
    if (!proxy_.BasicAuthentication) return {};
    return BasicProxyAuthorization(proxy_.ProxyUsername, proxy_.ProxyPassword);
  }

  Route WantedRoute() const {
    if (!UsesProxy()) return {url_.Host.toStdString(), url_.Port, IsTls(), {}};
    const std::string tunnel =
        IsTls() ? url_.Host.toStdString() + ":" + std::to_string(url_.Port) : std::string();
    return {proxy_.ProxyServer.toStdString(), proxy_.ProxyPort, IsTls(), tunnel};
  }

  void OpenRoute() {
    if (UsesProxy() && (proxy_.ProxyPort < 1 || proxy_.ProxyPort > 65535)) {
      trace_.proxyFault = true;
      throw std::runtime_error(
          u"Порт прокси %1 не входит в диапазон от 1 до 65535; запрос не отправлен"_qs
              .arg(proxy_.ProxyPort)
              .toStdString());
    }
    const Route wanted = WantedRoute();
    if (transport_.IsUsable() && route_ == wanted) return;
    Disconnect();
    try {
      transport_.Connect(wanted.host, wanted.port);
      if (!wanted.tunnelTarget.empty()) OpenTunnel();
    } catch (const std::runtime_error&) {
      trace_.proxyFault = UsesProxy();
      throw;
    }
    if (wanted.tls) transport_.StartTls(url_.Host.toStdString());
    route_ = wanted;
  }

  void OpenTunnel() {
    transport_.Write(TunnelRequestText(url_, ProxyAuthorization()));
    auto& received = transport_.Buffer();
    auto bytes = [&] {
      const auto data = received.data();
      return std::string_view(static_cast<const char*>(data.data()), data.size());
    };
    while (bytes().find('\n') == std::string_view::npos) transport_.ReadMore();
    // A proxy that answers with an empty line has said "HTTP/1.0 200 OK" and will close after
    // this request.
    if (bytes().starts_with("\r\n") || bytes().starts_with("\n")) {
      received.consume(bytes().starts_with("\r\n") ? 2 : 1);
      closeAfterResponse_ = true;
    } else {
      ResponseParser parser;
      parser.skip(true);  // a tunnel's answer has no body, whatever its headers say
      transport_.ReadHeader(parser);
      if (parser.get().result_int() / 100 != 2) {
        const std::string line = StatusLine(parser);
        Disconnect();
        throw std::runtime_error(line);
      }
    }
    // The TLS handshake reads from the socket, so anything already received would be lost.
    if (received.size() > 0) {
      Disconnect();
      throw std::runtime_error(
          u"Прокси %1:%2 прислал лишние данные после ответа на CONNECT"_qs.arg(proxy_.ProxyServer)
              .arg(proxy_.ProxyPort)
              .toStdString());
    }
  }

  void SendRequest() {
    const bool plainThroughProxy = UsesProxy() && !IsTls();
    const QByteArray authorization = plainThroughProxy ? ProxyAuthorization() : QByteArray();
    transport_.Write(PageRequestText(url_, plainThroughProxy, authorization,
                                     cookies_.HeaderFor(CookieUrl(url_))));
  }

  // Reads responses until one that is not an interim 1xx; stores the cookies of each.
  void ReadFinalHeader(std::optional<ResponseParser>& parser) {
    for (;;) {
      parser.emplace();
      transport_.ReadHeader(*parser);
      responseCode_ = static_cast<int>(parser->get().result_int());
      StoreCookies(*parser);
      if (responseCode_ >= 200 || responseCode_ == 101) return;
    }
  }

  void NoteAnswer(const ResponseParser& parser) {
    const auto& header = parser.get();
    if (header.find("X-Yandex-Captcha") != header.end()) trace_.captchaHeader = true;
    trace_.retryAfterSeconds.reset();
    if (const auto retryAfter = header.find(http::field::retry_after); retryAfter != header.end()) {
      trace_.retryAfterSeconds = RetryAfterSeconds(retryAfter->value());
    }
  }

  void StoreCookies(const ResponseParser& parser) {
    QList<QByteArray> values;
    for (const auto& field : parser.get()) {
      if (field.name() != http::field::set_cookie) continue;
      values.append(QByteArray(field.value().data(), static_cast<qsizetype>(field.value().size())));
    }
    if (!values.isEmpty()) cookies_.Store(values, CookieUrl(url_));
  }

  // Reads the body to its end, appending it to `buffer`, or dropping it when there is none. A
  // body over the size limit fails the request before the buffer holds more than the limit.
  void ReadBody(ResponseParser& parser, QByteArray* buffer) {
    const std::size_t limit = options_.maxBodyBytes;
    if (const auto declared = parser.content_length(); declared && *declared > limit) {
      transport_.FailBodyTooLarge();
    }
    std::array<char, 64 * 1024> chunk;
    std::size_t total = 0;
    while (!parser.is_done()) {
      // One byte past the limit is enough to know that the body is too large.
      const std::size_t room = std::min(chunk.size(), limit - total + 1);
      const std::size_t n = transport_.ReadBodyPart(parser, chunk.data(), room);
      total += n;
      if (total > limit) transport_.FailBodyTooLarge();
      if (buffer != nullptr) buffer->append(chunk.data(), static_cast<qsizetype>(n));
    }
  }

  void FinishResponse(const ResponseParser& parser) {
    if (!parser.keep_alive() || closeAfterResponse_) Disconnect();
  }

  // The body of an error answer is read only to keep the connection usable; a failure while
  // reading it must not hide the status that the caller acts on.
  [[noreturn]] void FailWithStatus(ResponseParser& parser) {
    const std::string line = StatusLine(parser);
    try {
      ReadBody(parser, nullptr);
      FinishResponse(parser);
    } catch (const std::runtime_error&) {
      Disconnect();
    }
    throw std::runtime_error(line);
  }

  Route route_;
  bool closeAfterResponse_ = false;
};

TPageFetcher::TPageFetcher(FetcherOptions options) : impl_(std::make_unique<Impl>(options)) {}
TPageFetcher::~TPageFetcher() = default;

void TPageFetcher::Get(const QString& address, QByteArray& buffer) { impl_->Get(address, buffer); }
int TPageFetcher::ResponseCode() const { return impl_->responseCode_; }
const UrlParts& TPageFetcher::URL() const { return impl_->url_; }
const AnswerTrace& TPageFetcher::LastAnswer() const { return impl_->trace_; }
void TPageFetcher::ClearCookies() { impl_->cookies_.Clear(); }
void TPageFetcher::Disconnect() { impl_->Disconnect(); }

void TPageFetcher::DropConnection() {
  // Closing the transport also throws away every byte received and not yet read.
  impl_->Disconnect();
}

void TPageFetcher::SetProxyParams(const ProxyParams& params) {
  impl_->Disconnect();
  impl_->proxy_ = params;
}

const ProxyParams& TPageFetcher::GetProxyParams() const { return impl_->proxy_; }

void TPageFetcher::Abort() { impl_->transport_.Abort(); }

}  // namespace korvath
