#pragma once

#include "demo-engine/demo_router.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>

#include <chrono>

namespace korvath::demo {

struct SessionTiming {
  std::chrono::milliseconds answerDelay{0};
  bool logRequests = false;
};

// Serves one accepted connection: TLS handshake, then requests and answers in turn for as long
// as the client keeps the connection alive. Owns itself through the handlers it has pending.
void ServeConnection(boost::asio::ip::tcp::socket socket, boost::asio::ssl::context& tls,
                     DemoRouter& router, SessionTiming timing);

}  // namespace korvath::demo
