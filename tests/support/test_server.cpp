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

class TestServer::Impl {
  struct TlsFacts {
    std::string serverName;
    std::string version;
  };

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
    port_ = acceptor_.local_endpoint().port();
    asio::co_spawn(io_, Accept(), asio::detached);
    thread_ = std::thread([this] { io_.run(); });
  }

  ~Impl() {
    io_.stop();
    thread_.join();
  }

  int Port() const { return port_; }
  bool Tls() const { return tls_.has_value(); }

  std::vector<RecordedRequest> Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }

  int Connections() const {
    std::lock_guard lock(mutex_);
    return connections_;
  }

  int Ended() const {
    std::lock_guard lock(mutex_);
    return ended_;
  }

 private:
  void CountEnded() {
    std::lock_guard lock(mutex_);
    ++ended_;
  }

  Awaitable Accept() {
    for (;;) {
      tcp::socket socket = co_await acceptor_.async_accept(asio::use_awaitable);
      int id = 0;
      {
        std::lock_guard lock(mutex_);
        id = ++connections_;
      }
      asio::co_spawn(io_, Serve(std::move(socket), id), asio::detached);
    }
  }

  Awaitable Serve(tcp::socket socket, int id) {
    // Arguments of co_await expressions are named locals: g++ 12 mishandles temporaries there.
    TlsFacts facts;
    try {
      if (!tls_) {
        co_await Converse(socket, socket, id, facts);
        co_return;
      }
      asio::ssl::stream<tcp::socket&> stream(socket, *tls_);
      co_await stream.async_handshake(asio::ssl::stream_base::server, asio::use_awaitable);
      const char* name = SSL_get_servername(stream.native_handle(), TLSEXT_NAMETYPE_host_name);
      facts.serverName = name != nullptr ? name : "";
      facts.version = SSL_get_version(stream.native_handle());
      co_await Converse(stream, socket, id, facts);
    } catch (const std::exception&) {
      // The client went away or failed its handshake; either is what some tests want.
    }
  }

  template <class Stream>
  Awaitable Converse(Stream& stream, tcp::socket& socket, int id, const TlsFacts& tls) {
    std::string pending;
    for (;;) {
      const std::size_t end = co_await asio::async_read_until(stream, asio::dynamic_buffer(pending),
                                                              "\r\n\r\n", asio::use_awaitable);
      const std::string request = pending.substr(0, end);
      pending.erase(0, end);
      {
        std::lock_guard lock(mutex_);
        requests_.push_back({request, id, tls.serverName, tls.version});
      }
      const Reply reply = handler_(request);
      if (!reply.bytes.empty()) {
        co_await asio::async_write(stream, asio::buffer(reply.bytes), asio::use_awaitable);
      }
      switch (reply.then) {
        case Reply::Then::KeepOpen:
          continue;
        case Reply::Then::Close:
          socket.close();
          CountEnded();
          co_return;
        case Reply::Then::Reset:
          Abort(socket);
          CountEnded();
          co_return;
        case Reply::Then::Silence:
          for (char sink[512];;)
            co_await stream.async_read_some(asio::buffer(sink), asio::use_awaitable);
      }
    }
  }

  Handler handler_;
  asio::io_context io_;
  tcp::acceptor acceptor_;
  std::optional<asio::ssl::context> tls_;
  int port_ = 0;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<RecordedRequest> requests_;
  int connections_ = 0;
  int ended_ = 0;
};

TestServer::TestServer(Handler handler, std::optional<TlsOptions> tls)
    : impl_(std::make_unique<Impl>(std::move(handler), std::move(tls))) {}
TestServer::~TestServer() = default;

int TestServer::Port() const { return impl_->Port(); }

std::string TestServer::Origin() const {
  return (impl_->Tls() ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(Port());
}

std::vector<RecordedRequest> TestServer::Requests() const { return impl_->Requests(); }
int TestServer::ConnectionsAccepted() const { return impl_->Connections(); }
int TestServer::ConnectionsEnded() const { return impl_->Ended(); }

bool WaitFor(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace korvath::testing
