#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/ssl/stream.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/buffer_body.hpp>
#include <boost/beast/http/parser.hpp>

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>

#include "web/tpage_fetcher.h"

namespace korvath {

using ResponseParser = boost::beast::http::response_parser<boost::beast::http::buffer_body>;

// One connection, plain or TLS, whose every step runs on the owner's io_context to completion
// under its own time-out. Failures are thrown as std::runtime_error with a description that names
// the peer and what went wrong.
class Transport {
 public:
  Transport(boost::asio::io_context& io, boost::asio::ssl::context& tls,
            const FetcherOptions& options);
  ~Transport();
  Transport(const Transport&) = delete;
  Transport& operator=(const Transport&) = delete;

  bool IsOpen() const;
  // False when the peer has closed the open connection (or sent something unasked) since the
  // last response: such a connection cannot carry another request.
  bool IsUsable();
  void Connect(const std::string& host, int port);
  // Starts TLS on the open connection; `serverName` goes out as server name indication.
  void StartTls(const std::string& serverName);
  void Write(const std::string& bytes);
  // Reads more raw bytes into Buffer(); fails when the peer closes before sending any.
  void ReadMore();
  void ReadHeader(ResponseParser& parser);
  // Reads the next part of the body into `chunk`; returns how many bytes it stored there.
  std::size_t ReadBodyPart(ResponseParser& parser, char* chunk, std::size_t size);
  // Bytes received and not yet parsed.
  boost::beast::flat_buffer& Buffer();
  void Close();
  // From any thread: breaks off the step in progress and fails every later one, so that a job
  // being stopped does not wait out a server that never answers.
  void Abort();
  // Closes the connection and fails with the description of a body over the size limit.
  [[noreturn]] void FailBodyTooLarge();

 private:
  enum class Phase { Resolve, Connect, Handshake, Write, Read };
  [[noreturn]] void Fail(Phase phase, const boost::system::error_code& error) const;
  template <class Operation>
  boost::system::error_code Run(Operation&& operation);
  void Expire(std::chrono::milliseconds timeout);

  boost::asio::io_context& io_;
  boost::asio::ssl::context& tlsContext_;
  FetcherOptions options_;
  std::string peer_;
  std::optional<boost::beast::tcp_stream> plain_;
  std::optional<boost::asio::ssl::stream<boost::beast::tcp_stream>> tls_;
  boost::beast::flat_buffer buffer_;
  std::atomic<bool> aborted_ = false;
};

}  // namespace korvath
