#include "demo-engine/demo_server.h"

#include "demo-engine/demo_session.h"

#include <boost/asio/strand.hpp>

#include <cstdio>

namespace korvath::demo {
namespace {

namespace asio = boost::asio;

asio::ip::tcp::acceptor MakeAcceptor(asio::io_context& io, int port) {
  const asio::ip::tcp::endpoint endpoint(asio::ip::make_address_v4("127.0.0.1"),
                                         static_cast<unsigned short>(port));
  asio::ip::tcp::acceptor acceptor(io);
  acceptor.open(endpoint.protocol());
  acceptor.set_option(asio::socket_base::reuse_address(true));
  acceptor.bind(endpoint);
  acceptor.listen(asio::socket_base::max_listen_connections);
  return acceptor;
}

}  // namespace

asio::ssl::context MakeServerTlsContext(const PemCertificate& certificate) {
  asio::ssl::context tls(asio::ssl::context::tls_server);
  tls.set_options(asio::ssl::context::default_workarounds | asio::ssl::context::no_sslv2 |
                  asio::ssl::context::no_sslv3);
  tls.use_certificate_chain(asio::buffer(certificate.certificatePem));
  tls.use_private_key(asio::buffer(certificate.privateKeyPem), asio::ssl::context::pem);
  return tls;
}

DemoServer::DemoServer(asio::io_context& io, asio::ssl::context& tls, const DemoOptions& options)
    : io_(io),
      tls_(tls),
      options_(options),
      acceptor_(MakeAcceptor(io, options.port)),
      origin_("https://127.0.0.1:" + std::to_string(acceptor_.local_endpoint().port())),
      router_(options.shape, options.misbehaviour, origin_) {}

void DemoServer::Start() { Accept(); }

void DemoServer::Accept() {
  acceptor_.async_accept(
      asio::make_strand(io_), [this](boost::system::error_code ec, asio::ip::tcp::socket socket) {
        if (ec == asio::error::operation_aborted) return;
        if (ec) {
          std::fprintf(stderr, "accept failed: %s\n", ec.message().c_str());
        } else {
          // An answer leaves in several TLS records; without this the last one can wait for the
          // client's delayed acknowledgement.
          boost::system::error_code optionError;
          socket.set_option(asio::ip::tcp::no_delay(true), optionError);
          if (optionError)
            std::fprintf(stderr, "TCP_NODELAY not set: %s\n", optionError.message().c_str());
          ServeConnection(std::move(socket), tls_, router_,
                          {std::chrono::milliseconds(options_.slowMs), options_.logRequests});
        }
        Accept();
      });
}

}  // namespace korvath::demo
