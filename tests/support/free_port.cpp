#include "support/free_port.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>

#include <chrono>
#include <thread>

namespace korvath::testing {

namespace asio = boost::asio;
using asio::ip::tcp;

int FreeLoopbackPort() {
  asio::io_context io;
  tcp::acceptor acceptor(io, tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0));
  return acceptor.local_endpoint().port();
}

bool WaitUntilListening(int port) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  asio::io_context io;
  while (std::chrono::steady_clock::now() < deadline) {
    tcp::socket socket(io);
    boost::system::error_code error;
    socket.connect(
        tcp::endpoint(asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port)),
        error);
    if (!error) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

}  // namespace korvath::testing
