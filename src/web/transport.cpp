#include "web/transport.h"

#include <QString>

#include <boost/asio/ip/address.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/ssl/error.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/error.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/read.hpp>

#include <openssl/ssl.h>

#include <stdexcept>

namespace korvath {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = boost::beast::http;
using boost::system::error_code;

// Room for the header block of a response: far above what servers send (Beast's own default of
// 8 KB is easily passed by a page that sets many cookies), small enough to bound memory.
constexpr std::size_t kHeaderLimit = std::size_t{1} << 20;
// The longest answer line a proxy may send before the end of its first line.
constexpr std::size_t kStatusLineLimit = 64 * 1024;
constexpr std::size_t kReadSize = 64 * 1024;

QString Text(const std::string& text) { return QString::fromStdString(text); }

bool IsIpAddress(const std::string& host) {
  error_code error;
  asio::ip::make_address(host, error);
  return !error;
}

}  // namespace

Transport::Transport(asio::io_context& io, asio::ssl::context& tls, const FetcherOptions& options)
    : io_(io), tlsContext_(tls), options_(options), buffer_(kHeaderLimit + kStatusLineLimit) {
  // Beast reads as much as the buffer has room for (512 bytes when it is empty); without room
  // a large body would take one system call per 512 bytes.
  buffer_.reserve(kReadSize);
}

Transport::~Transport() = default;

bool Transport::IsOpen() const { return plain_.has_value() || tls_.has_value(); }

bool Transport::IsUsable() {
  if (!IsOpen() || buffer_.size() > 0) return false;
  auto& socket = tls_ ? beast::get_lowest_layer(*tls_).socket() : plain_->socket();
  // Between responses an idle connection has nothing to read; anything there is a close, a
  // reset or a TLS alert. A look at the first byte that does not wait asks this on every system.
  error_code error;
  const bool wasNonBlocking = socket.non_blocking();
  socket.non_blocking(true, error);
  if (error) return false;
  char byte = 0;
  error_code peeked;
  socket.receive(asio::buffer(&byte, 1), asio::socket_base::message_peek, peeked);
  socket.non_blocking(wasNonBlocking, error);
  return !error && peeked == asio::error::would_block;
}

template <class Operation>
error_code Transport::Run(Operation&& operation) {
  if (aborted_) throw std::runtime_error("Запрос прерван: работа остановлена");
  error_code result;
  bool done = false;
  operation([&](const error_code& error, auto&&...) {
    result = error;
    done = true;
  });
  io_.restart();
  while (!done) {
    if (io_.run_one() == 0) {
      throw std::logic_error("the fetcher's io_context stopped while a request was in flight");
    }
  }
  if (aborted_) {
    Close();
    throw std::runtime_error("Запрос прерван: работа остановлена");
  }
  return result;
}

void Transport::Abort() {
  aborted_ = true;
  // The sockets belong to the thread that runs the io_context: the cancel runs there, inside the
  // step it breaks off (or at the start of the next one, which fails anyway).
  asio::post(io_, [this] {
    error_code ignored;
    if (tls_) beast::get_lowest_layer(*tls_).socket().cancel(ignored);
    if (plain_) plain_->socket().cancel(ignored);
  });
}

void Transport::Expire(std::chrono::milliseconds timeout) {
  if (tls_) beast::get_lowest_layer(*tls_).expires_after(timeout);
  if (plain_) plain_->expires_after(timeout);
}

void Transport::Connect(const std::string& host, int port) {
  Close();
  peer_ = host + ":" + std::to_string(port);
  asio::ip::tcp::resolver resolver(io_);
  asio::ip::tcp::resolver::results_type endpoints;
  const error_code resolved = Run([&](auto handler) {
    resolver.async_resolve(host, std::to_string(port),
                           [&endpoints, handler](const error_code& error, auto results) mutable {
                             endpoints = std::move(results);
                             handler(error);
                           });
  });
  if (resolved) Fail(Phase::Resolve, resolved);

  plain_.emplace(io_);
  plain_->expires_after(options_.connectTimeout);
  const error_code connected =
      Run([&](auto handler) { plain_->async_connect(endpoints, std::move(handler)); });
  if (connected) {
    Close();
    Fail(Phase::Connect, connected);
  }
}

void Transport::StartTls(const std::string& serverName) {
  tls_.emplace(std::move(*plain_), tlsContext_);
  plain_.reset();
  // Server name indication carries host names only; an address literal is not allowed in it.
  if (!IsIpAddress(serverName) &&
      SSL_set_tlsext_host_name(tls_->native_handle(), serverName.c_str()) != 1) {
    Close();
    Fail(Phase::Handshake,
         error_code(static_cast<int>(ERR_get_error()), asio::error::get_ssl_category()));
  }
  Expire(options_.readTimeout);
  const error_code handshaken = Run([&](auto handler) {
    tls_->async_handshake(asio::ssl::stream_base::client, std::move(handler));
  });
  if (handshaken) {
    Close();
    Fail(Phase::Handshake, handshaken);
  }
}

void Transport::Write(const std::string& bytes) {
  Expire(options_.readTimeout);
  const error_code written = Run([&](auto handler) {
    if (tls_)
      asio::async_write(*tls_, asio::buffer(bytes), std::move(handler));
    else
      asio::async_write(*plain_, asio::buffer(bytes), std::move(handler));
  });
  if (written) {
    Close();
    Fail(Phase::Write, written);
  }
}

void Transport::ReadMore() {
  if (buffer_.size() >= kStatusLineLimit) {
    Close();
    Fail(Phase::Read, http::error::header_limit);
  }
  Expire(options_.readTimeout);
  std::size_t received = 0;
  const error_code read = Run([&](auto handler) {
    auto target = buffer_.prepare(kStatusLineLimit);
    auto done = [&received, handler](const error_code& error, std::size_t n) mutable {
      received = n;
      handler(error);
    };
    if (tls_)
      tls_->async_read_some(target, std::move(done));
    else
      plain_->async_read_some(target, std::move(done));
  });
  buffer_.commit(received);
  if (read == asio::error::eof || read == asio::ssl::error::stream_truncated) {
    Close();
    Fail(Phase::Read, http::error::end_of_stream);
  }
  if (read) {
    Close();
    Fail(Phase::Read, read);
  }
}

void Transport::ReadHeader(ResponseParser& parser) {
  parser.header_limit(static_cast<std::uint32_t>(kHeaderLimit));
  // The fetcher counts body bytes itself, so that a declared length over the limit still leaves
  // the status line known.
  parser.body_limit(boost::none);
  Expire(options_.readTimeout);
  const error_code read = Run([&](auto handler) {
    if (tls_)
      http::async_read_header(*tls_, buffer_, parser, std::move(handler));
    else
      http::async_read_header(*plain_, buffer_, parser, std::move(handler));
  });
  if (read) {
    Close();
    Fail(Phase::Read,
         read == asio::ssl::error::stream_truncated ? http::error::end_of_stream : read);
  }
}

std::size_t Transport::ReadBodyPart(ResponseParser& parser, char* chunk, std::size_t size) {
  auto& body = parser.get().body();
  body.data = chunk;
  body.size = size;
  body.more = true;
  Expire(options_.readTimeout);
  error_code read = Run([&](auto handler) {
    if (tls_)
      http::async_read_some(*tls_, buffer_, parser, std::move(handler));
    else
      http::async_read_some(*plain_, buffer_, parser, std::move(handler));
  });
  if (read == http::error::need_buffer) read = {};
  // Many servers end a body that runs to the close of the connection without a TLS close
  // notification; for such a body the close itself is the end.
  if (read == asio::ssl::error::stream_truncated && parser.need_eof()) {
    read = {};
    parser.put_eof(read);
  }
  // Anywhere else the close cuts the answer short, just as a plain close would: no TLS failure.
  if (read == asio::ssl::error::stream_truncated) read = http::error::partial_message;
  if (read) {
    Close();
    Fail(Phase::Read, read);
  }
  return size - body.size;
}

beast::flat_buffer& Transport::Buffer() { return buffer_; }

void Transport::FailBodyTooLarge() {
  Close();
  Fail(Phase::Read, http::error::body_limit);
}

void Transport::Close() {
  error_code ignored;
  if (tls_) beast::get_lowest_layer(*tls_).socket().close(ignored);
  if (plain_) plain_->socket().close(ignored);
  tls_.reset();
  plain_.reset();
  buffer_.consume(buffer_.size());
}

void Transport::Fail(Phase phase, const error_code& error) const {
  const QString peer = Text(peer_);
  const QString reason = Text(error.message());
  const bool timedOut = error == beast::error::timeout;
  QString message;
  switch (phase) {
    case Phase::Resolve:
      message = u"Не удалось найти сервер %1: %2"_qs.arg(peer, reason);
      break;
    case Phase::Connect:
      message = timedOut
                    ? u"Не удалось соединиться с %1 за %2 мс (время ожидания соединения истекло)"_qs
                          .arg(peer)
                          .arg(options_.connectTimeout.count())
                    : u"Не удалось соединиться с %1: %2"_qs.arg(peer, reason);
      break;
    case Phase::Handshake:
      message =
          timedOut
              ? u"Сервер %1 не завершил установку TLS за %2 мс (время ожидания чтения истекло)"_qs
                    .arg(peer)
                    .arg(options_.readTimeout.count())
              : u"Ошибка TLS при соединении с %1: %2"_qs.arg(peer, reason);
      break;
    case Phase::Write:
      message = timedOut
                    ? u"Не удалось отправить запрос серверу %1 за %2 мс"_qs.arg(peer).arg(
                          options_.readTimeout.count())
                    : u"Соединение с %1 прервано при отправке запроса: %2"_qs.arg(peer, reason);
      break;
    case Phase::Read:
      if (timedOut) {
        message =
            u"Сервер %1 не прислал данных за %2 мс (время ожидания чтения истекло)"_qs.arg(peer)
                .arg(options_.readTimeout.count());
      } else if (error == http::error::end_of_stream) {
        message = u"Сервер %1 закрыл соединение, не прислав ответа"_qs.arg(peer);
      } else if (error == http::error::partial_message) {
        message = u"Сервер %1 закрыл соединение до конца ответа"_qs.arg(peer);
      } else if (error == http::error::body_limit) {
        message = u"Ответ сервера %1 больше %2 байт; чтение прервано"_qs.arg(peer).arg(
            options_.maxBodyBytes);
      } else if (error == http::error::header_limit || error == http::error::buffer_overflow) {
        message = u"Заголовки ответа сервера %1 слишком длинные; чтение прервано"_qs.arg(peer);
      } else if (error.category() == asio::error::get_ssl_category() ||
                 error == asio::ssl::error::stream_truncated) {
        message = u"Ошибка TLS при чтении ответа сервера %1: %2"_qs.arg(peer, reason);
      } else if (error.category() == http::make_error_code(http::error::bad_version).category()) {
        message = u"Сервер %1 прислал ответ не по протоколу HTTP: %2"_qs.arg(peer, reason);
      } else {
        message = u"Соединение с %1 прервано при чтении ответа: %2"_qs.arg(peer, reason);
      }
      break;
  }
  throw std::runtime_error(message.toStdString());
}

}  // namespace korvath
