#include "demo-engine/demo_server.h"
#include "devtls/self_signed.h"
#include "support/child_process.h"

#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>
#include <boost/asio/connect.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

#include <csignal>
#include <thread>

namespace korvath::demo {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using namespace std::chrono_literals;

// One kept-alive TLS connection to the engine, with nothing verified, as the program connects.
class Client {
 public:
  explicit Client(unsigned short port) : tls_(asio::ssl::context::tls_client), stream_(io_, tls_) {
    beast::get_lowest_layer(stream_).connect(
        asio::ip::tcp::endpoint(asio::ip::make_address_v4("127.0.0.1"), port));
    stream_.handshake(asio::ssl::stream_base::client);
  }

  http::response<http::string_body> Get(std::string_view target, std::string_view cookie = {}) {
    http::request<http::empty_body> request(http::verb::get, target, 11);
    request.set(http::field::host, "127.0.0.1");
    if (!cookie.empty()) request.set(http::field::cookie, cookie);
    http::write(stream_, request);
    http::response_parser<http::string_body> parser;
    parser.body_limit(64 * 1024 * 1024);
    http::read(stream_, buffer_, parser);
    return parser.release();
  }

 private:
  asio::io_context io_;
  asio::ssl::context tls_;
  beast::ssl_stream<beast::tcp_stream> stream_;
  beast::flat_buffer buffer_;
};

// The server on a thread of its own, stopped when the test ends.
class RunningServer {
 public:
  explicit RunningServer(const DemoOptions& options)
      : tls_(MakeServerTlsContext(MakeSelfSignedCertificate("127.0.0.1", -1h, 1h))),
        server_(io_, tls_, options) {
    server_.Start();
    thread_ = std::thread([this] { io_.run(); });
  }
  ~RunningServer() {
    io_.stop();
    thread_.join();
  }
  unsigned short Port() const { return server_.Port(); }
  const std::string& Origin() const { return server_.Origin(); }

 private:
  asio::io_context io_;
  asio::ssl::context tls_;
  DemoServer server_;
  std::thread thread_;
};

TEST(DemoServer, AnswersOverOneKeptAliveConnection) {
  DemoOptions options;
  options.shape = {2, 3, 500};
  RunningServer server(options);
  Client client(server.Port());

  const auto first = client.Get("/search/direct?text=%D0%BE%D0%BA%D0%BD%D0%B0&lr=213");
  EXPECT_EQ(first.result_int(), 200);
  EXPECT_TRUE(first.keep_alive());
  EXPECT_EQ(first[http::field::content_type], "text/html; charset=utf-8");
  const std::string cookie(first[http::field::set_cookie]);
  ASSERT_TRUE(cookie.starts_with("demo_session="));
  EXPECT_NE(first.body().find("data-cid="), std::string::npos);
  EXPECT_NE(first.body().find(server.Origin() + "/card/"), std::string::npos);

  const auto card = client.Get("/card/1001", cookie.substr(0, cookie.find(';')));
  EXPECT_EQ(card.result_int(), 200);
  EXPECT_EQ(card.count(http::field::set_cookie), 0u);

  const auto missing = client.Get("/card/1011");
  EXPECT_EQ(missing.result_int(), 404);
  EXPECT_EQ(missing.reason(), "Not Found");
}

// The program's own front door: first line the origin, then requests, then a clean end on a
// signal or at its deadline.
TEST(DemoEngineProgram, PrintsItsOriginAndEndsCleanly) {
  for (const bool bySignal : {true, false}) {
    SCOPED_TRACE(bySignal);
    QProcess engine;
    engine.start(KORVATH_DEMO_ENGINE_PATH,
                 bySignal ? QStringList{"--ads", "2"} : QStringList{"--exit-after", "1"});
    ASSERT_TRUE(engine.waitForStarted());
    while (!engine.canReadLine()) ASSERT_TRUE(engine.waitForReadyRead(30000));
    const QString origin = QString::fromUtf8(engine.readLine()).trimmed();
    const QRegularExpressionMatch match =
        QRegularExpression(u"^https://127\\.0\\.0\\.1:(\\d+)$"_qs).match(origin);
    ASSERT_TRUE(match.hasMatch()) << origin.toStdString();

    if (bySignal) {
      Client client(static_cast<unsigned short>(match.captured(1).toUInt()));
      EXPECT_EQ(client.Get("/search/direct?text=a&lr=1").result_int(), 200);
      if (!testing::SendSignal(engine, SIGTERM)) {
        engine.kill();  // Windows has no signals to send a program
        engine.waitForFinished();
        continue;
      }
    }
    ASSERT_TRUE(engine.waitForFinished(30000));
    EXPECT_EQ(engine.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(engine.exitCode(), 0) << engine.readAllStandardError().toStdString();
  }
}

TEST(DemoEngineProgram, RefusesABadOption) {
  QProcess engine;
  engine.start(KORVATH_DEMO_ENGINE_PATH, {"--pages", "none"});
  ASSERT_TRUE(engine.waitForFinished(30000));
  EXPECT_EQ(engine.exitCode(), 2);
  EXPECT_TRUE(engine.readAllStandardOutput().isEmpty());
  EXPECT_TRUE(engine.readAllStandardError().contains("--pages"));
}

}  // namespace
}  // namespace korvath::demo
