#include "demo-engine/demo_session.h"

#include <QTime>

#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

#include <chrono>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

namespace korvath::demo {
namespace {

namespace beast = boost::beast;
namespace http = beast::http;
namespace asio = boost::asio;

constexpr std::chrono::seconds kHandshakeTimeout{30};
// Longer than a paused client usually waits between two requests, so kept-alive connections
// survive the program's pauses as they would on a real site.
constexpr std::chrono::seconds kIdleTimeout{120};
constexpr std::chrono::seconds kWriteTimeout{60};
constexpr std::uint64_t kRequestBodyLimit = 64 * 1024;
// What a server that speaks some other protocol might send where an HTTP answer belongs.
constexpr std::string_view kGarbage = "SSH-2.0-OpenSSH_9.2p1 korvath-demo-engine\r\n\r\n";

std::string PeerAddress(const asio::ip::tcp::socket& socket) {
  beast::error_code ec;
  const auto peer = socket.remote_endpoint(ec);
  return ec ? std::string("?") : peer.address().to_string();
}

// Local wall-clock time with milliseconds, so that a log shows how far apart requests were.
std::string TimeStamp() { return QTime::currentTime().toString(u"HH:mm:ss.zzz"_qs).toStdString(); }

class Session : public std::enable_shared_from_this<Session> {
 public:
  Session(asio::ip::tcp::socket socket, asio::ssl::context& tls, DemoRouter& router,
          SessionTiming timing)
      : stream_(std::move(socket), tls),
        delay_(stream_.get_executor()),
        router_(router),
        timing_(timing),
        client_(PeerAddress(beast::get_lowest_layer(stream_).socket())) {}

  void Run() {
    beast::get_lowest_layer(stream_).expires_after(kHandshakeTimeout);
    stream_.async_handshake(asio::ssl::stream_base::server,
                            [self = shared_from_this()](beast::error_code ec) {
                              if (ec) return self->Log("handshake", ec);
                              self->Read();
                            });
  }

 private:
  void Read() {
    parser_.emplace();
    parser_->body_limit(kRequestBodyLimit);
    beast::get_lowest_layer(stream_).expires_after(kIdleTimeout);
    http::async_read(
        stream_, buffer_, *parser_,
        [self = shared_from_this()](beast::error_code ec, std::size_t) { self->OnRead(ec); });
  }

  void OnRead(beast::error_code ec) {
    if (ec == http::error::end_of_stream) return Shutdown();
    if (ec) return Log("read", ec);
    const http::request<http::string_body>& request = parser_->get();
    response_ = MakeResponse(request);
    if (timing_.logRequests) {
      std::fprintf(stderr, "%s %s %s %.*s -> %s\n", TimeStamp().c_str(), client_.c_str(),
                   std::string(request.method_string()).c_str(),
                   static_cast<int>(request.target().size()), request.target().data(),
                   FaultName().c_str());
    }
    switch (fault_) {
      case Fault::Reset:
        return Reset();
      case Fault::Stall:
        // The request is left unanswered; reading on notices when the client gives up.
        return Read();
      case Fault::Garbage:
        return WriteGarbage();
      case Fault::Cut:
        return WriteHalf();
      case Fault::None:
        break;
    }
    if (timing_.answerDelay.count() > 0) {
      delay_.expires_after(timing_.answerDelay);
      delay_.async_wait([self = shared_from_this()](beast::error_code) { self->Write(); });
    } else {
      Write();
    }
  }

  http::response<http::string_body> MakeResponse(const http::request<http::string_body>& request) {
    fault_ = Fault::None;
    http::response<http::string_body> response;
    response.version(11);
    response.set(http::field::server, "korvath-demo-engine");
    response.keep_alive(request.keep_alive());
    if (request.method() != http::verb::get) {
      response.result(http::status::method_not_allowed);
      response.set(http::field::allow, "GET");
      response.prepare_payload();
      return response;
    }
    DemoAnswer answer = router_.Answer(request.target(), request[http::field::cookie], client_);
    fault_ = answer.fault;
    response.result(answer.status);
    response.set(http::field::content_type, "text/html; charset=utf-8");
    if (!answer.location.empty()) response.set(http::field::location, answer.location);
    if (!answer.setCookie.empty()) response.set(http::field::set_cookie, answer.setCookie);
    response.body() = std::move(answer.body);
    response.prepare_payload();
    return response;
  }

  void Write() {
    beast::get_lowest_layer(stream_).expires_after(kWriteTimeout);
    http::async_write(stream_, response_,
                      [self = shared_from_this()](beast::error_code ec, std::size_t) {
                        if (ec) return self->Log("write", ec);
                        if (!self->response_.keep_alive()) return self->Shutdown();
                        self->Read();
                      });
  }

  std::string FaultName() const {
    switch (fault_) {
      case Fault::Reset:
        return "reset";
      case Fault::Stall:
        return "stall";
      case Fault::Garbage:
        return "garbage";
      case Fault::Cut:
        return "cut";
      case Fault::None:
        break;
    }
    return std::to_string(response_.result_int());
  }

  // A zero linger time makes the close send a reset instead of an orderly end.
  void Reset() {
    auto& socket = beast::get_lowest_layer(stream_).socket();
    beast::error_code ignored;
    socket.set_option(asio::socket_base::linger(true, 0), ignored);
    socket.close(ignored);
  }

  void WriteGarbage() {
    beast::get_lowest_layer(stream_).expires_after(kWriteTimeout);
    asio::async_write(stream_, asio::buffer(kGarbage.data(), kGarbage.size()),
                      [self = shared_from_this()](beast::error_code ec, std::size_t) {
                        if (ec) return self->Log("write", ec);
                        self->Shutdown();
                      });
  }

  // The connection ends without the TLS close notification, as when a server goes down halfway.
  void WriteHalf() {
    std::ostringstream whole;
    whole << response_;
    half_ = whole.str().substr(0, whole.str().size() / 2);
    beast::get_lowest_layer(stream_).expires_after(kWriteTimeout);
    asio::async_write(stream_, asio::buffer(half_),
                      [self = shared_from_this()](beast::error_code ec, std::size_t) {
                        if (ec) return self->Log("write", ec);
                        beast::get_lowest_layer(self->stream_).close();
                      });
  }

  void Shutdown() {
    beast::get_lowest_layer(stream_).expires_after(std::chrono::seconds(5));
    stream_.async_shutdown([self = shared_from_this()](beast::error_code) {
      beast::get_lowest_layer(self->stream_).close();
    });
  }

  // Clients that vanish, time out or speak no TLS end only their own connection; with --log the
  // reason is shown, so a test that sees a dropped connection can tell why.
  void Log(const char* step, beast::error_code ec) const {
    if (timing_.logRequests)
      std::fprintf(stderr, "connection closed at %s: %s\n", step, ec.message().c_str());
  }

  beast::ssl_stream<beast::tcp_stream> stream_;
  asio::steady_timer delay_;
  DemoRouter& router_;
  const SessionTiming timing_;
  // The client's address: the engine tells its clients apart by it.
  const std::string client_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::string_body>> parser_;
  http::response<http::string_body> response_;
  Fault fault_ = Fault::None;
  std::string half_;
};

}  // namespace

void ServeConnection(asio::ip::tcp::socket socket, asio::ssl::context& tls, DemoRouter& router,
                     SessionTiming timing) {
  std::make_shared<Session>(std::move(socket), tls, router, timing)->Run();
}

}  // namespace korvath::demo
