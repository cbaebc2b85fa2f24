#pragma once

#include "demo-engine/demo_options.h"
#include "demo-engine/demo_router.h"
#include "devtls/self_signed.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>

#include <string>

namespace korvath::demo {

// A TLS server context that presents `certificate`.
boost::asio::ssl::context MakeServerTlsContext(const PemCertificate& certificate);

// Accepts HTTPS connections on 127.0.0.1 and answers every request through its router, keeping
// connections open while clients ask for it. Runs on the io_context it is given.
class DemoServer {
 public:
  // Binds at once, so Origin() is known before Start(); throws when the port cannot be had.
  DemoServer(boost::asio::io_context& io, boost::asio::ssl::context& tls,
             const DemoOptions& options);

  void Start();
  // "https://127.0.0.1:PORT"
  const std::string& Origin() const { return origin_; }
  unsigned short Port() const { return acceptor_.local_endpoint().port(); }
  DemoRouter& Router() { return router_; }

 private:
  void Accept();

  boost::asio::io_context& io_;
  boost::asio::ssl::context& tls_;
  const DemoOptions options_;
  boost::asio::ip::tcp::acceptor acceptor_;
  const std::string origin_;
  DemoRouter router_;
};

}  // namespace korvath::demo
