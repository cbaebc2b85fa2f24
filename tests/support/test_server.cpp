#include "support/test_server.h"

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read_until.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/asio/write.hpp>

#include <openssl/ssl.h>

#include <mutex>
#include <stdexcept>
#include <thread>

#include "devtls/self_signed.h"

namespace korvath::testing {
namespace {

namespace asio = boost::asio;
using asio::ip::tcp;
using Awaitable = asio::awaitable<void>;

void Abort(tcp::socket& socket) {
  boost::system::error_code ignored;
  socket.set_option(asio::socket_base::linger(true, 0), ignored);
  socket.close(ignored);
}

}  // namespace

Reply Respond(int status, const std::string& reason, const std::string& body,
              const std::vector<std::string>& extraHeaders) {
  std::string bytes = "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\n";
  for (const std::string& header : extraHeaders) bytes += header + "\r\n";
  bytes += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  return {bytes, Reply::Then::KeepOpen};
}

std::string RequestTarget(const std::string& request) {
  const auto first = request.find(' ');
  const auto second = request.find(' ', first + 1);
  if (first == std::string::npos || second == std::string::npos) return {};
  return request.substr(first + 1, second - first - 1);
}

// Its members are read by TestServer under `mutex` while the server thread writes them.
class TestServer::Impl {
 public:
  Impl(Handler handler, std::optional<TlsOptions> tls)
      : handler_(std::move(handler)),
        acceptor_(io_, tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0)) {
    if (tls) {
      tls_.emplace(asio::ssl::context::tls_server);
      const PemCertificate pem =
          MakeSelfSignedCertificate(tls->commonName, tls->notBefore, tls->notAfter);
      tls_->use_certificate_chain(asio::buffer(pem.certificatePem));
      tls_->use_private_key(asio::buffer(pem.privateKeyPem), asio::ssl::context::pem);
      if (tls->tls13Only) SSL_CTX_set_min_proto_version(tls_->native_handle(), TLS1_3_VERSION);
    }
    port = acceptor_.local_endpoint().port();
    asio::co_spawn(io_, Accept(), asio::detached);
    thread_ = std::thread([this] { io_.run(); });
  }

  ~Impl() {
    io_.stop();
    thread_.join();
  }

  bool Tls() const { return tls_.has_value(); }

  int port = 0;
  mutable std::mutex mutex;
  std::vector<RecordedRequest> requests;
  int connections = 0;
  int ended = 0;

 private:
  Awaitable Accept() {
    for (;;) {
      tcp::socket socket = co_await acceptor_.async_accept(asio::use_awaitable);
      int id = 0;
      {
        std::lock_guard lock(mutex);
        id = ++connections;
      }
      asio::co_spawn(io_, Serve(std::move(socket), id), asio::detached);
    }
  }

  Awaitable Serve(tcp::socket socket, int id) {
    // Arguments of co_await expressions are named locals: g++ 12 mishandles temporaries there.
    // `facts` carries the connection's TLS details into every request it records.
    RecordedRequest facts{{}, id, {}, {}, {}};
    boost::system::error_code error;
    if (const tcp::endpoint peer = socket.remote_endpoint(error); !error)
      facts.peer = peer.address().to_string();
    try {
      if (!tls_) {
        co_await Converse(socket, socket, facts);
        co_return;
      }
      asio::ssl::stream<tcp::socket&> stream(socket, *tls_);
      co_await stream.async_handshake(asio::ssl::stream_base::server, asio::use_awaitable);
      const char* name = SSL_get_servername(stream.native_handle(), TLSEXT_NAMETYPE_host_name);
      facts.serverName = name != nullptr ? name : "";
      facts.tlsVersion = SSL_get_version(stream.native_handle());
      co_await Converse(stream, socket, facts);
    } catch (const std::exception&) {
      // The client went away or failed its handshake; either is what some tests want.
    }
  }

  template <class Stream>
  Awaitable Converse(Stream& stream, tcp::socket& socket, RecordedRequest facts) {
    std::string pending;
    for (;;) {
      const std::size_t end = co_await asio::async_read_until(stream, asio::dynamic_buffer(pending),
                                                              "\r\n\r\n", asio::use_awaitable);
      facts.bytes = pending.substr(0, end);
      pending.erase(0, end);
      {
        std::lock_guard lock(mutex);
        requests.push_back(facts);
      }
      const Reply reply = handler_(facts.bytes);
      if (!reply.bytes.empty()) {
        co_await asio::async_write(stream, asio::buffer(reply.bytes), asio::use_awaitable);
      }
      if (reply.then == Reply::Then::Silence) {
        for (char sink[512];;)
          co_await stream.async_read_some(asio::buffer(sink), asio::use_awaitable);
      }
      if (reply.then == Reply::Then::KeepOpen) continue;
      // Close ends without a TLS close notification; Reset aborts with a TCP reset.
      if (reply.then == Reply::Then::Reset) {
        Abort(socket);
      } else {
        socket.close();
      }
      {
        std::lock_guard lock(mutex);
        ++ended;
      }
      co_return;
    }
  }

  Handler handler_;
  asio::io_context io_;
  tcp::acceptor acceptor_;
  std::optional<asio::ssl::context> tls_;
  std::thread thread_;
};

TestServer::TestServer(Handler handler, std::optional<TlsOptions> tls)
    : impl_(std::make_unique<Impl>(std::move(handler), std::move(tls))) {}
TestServer::~TestServer() = default;

int TestServer::Port() const { return impl_->port; }

std::string TestServer::Origin() const {
  return (impl_->Tls() ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(Port());
}

std::vector<RecordedRequest> TestServer::Requests() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->requests;
}

int TestServer::ConnectionsAccepted() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->connections;
}

int TestServer::ConnectionsEnded() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->ended;
}

bool WaitFor(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace korvath::testing
