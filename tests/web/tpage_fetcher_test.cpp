#include "web/tpage_fetcher.h"

#include <gtest/gtest.h>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>

#include <memory>
#include <vector>

#include "fetcher_test_support.h"
#include "support/free_port.h"
#include "support/test_server.h"

namespace korvath {
namespace {

using testing::FailureOf;
using testing::Q;
using testing::Reply;
using testing::Respond;
using testing::TestServer;

// Answers /r/N with a redirect to r/N+1 (a relative path) while N < `last`, then with a page.
Reply RedirectChain(const std::string& request, int last) {
  const std::string target = testing::RequestTarget(request);
  const int n = std::stoi(target.substr(3));
  if (n >= last) return Respond(200, "OK", "final " + std::to_string(n));
  return Respond(302, "Found", "moved",
                 {"Location: " + std::to_string(n + 1),
                  "Set-Cookie: c" + std::to_string(n) + "=" + std::to_string(n)});
}

TEST(PageFetcher, SendsExactRequestAndKeepsBody) {
  TestServer server([](const std::string&) { return Respond(200, "OK", "<html>тело</html>"); });
  TPageFetcher fetcher;
  QByteArray buffer;
  fetcher.Get(Q(server.Origin() + "/search/direct?text=a%20b&lr=213"), buffer);
  EXPECT_EQ(buffer, QByteArray("<html>тело</html>"));
  EXPECT_EQ(fetcher.ResponseCode(), 200);
  EXPECT_EQ(fetcher.URL().Document, u"direct"_qs);
  EXPECT_EQ(fetcher.URL().Params, u"text=a%20b&lr=213"_qs);
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].bytes,
            testing::ExpectedRequest("/search/direct?text=a%20b&lr=213", server.Port()));
}

TEST(PageFetcher, BodyFramings) {
  struct Case {
    const char* name;
    Reply reply;
    std::string body;
    int code = 200;
  };
  const std::string bomAndZero("\xEF\xBB\xBF\0", 4);
  const Case cases[] = {
      {"chunked",
       {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n4\r\ndefg\r\n0\r\n\r\n"},
       "abcdefg"},
      {"close-delimited",
       {"HTTP/1.1 200 OK\r\n\r\nuntil close", Reply::Then::Close},
       "until close"},
      {"interim 1xx",
       {"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 103 Early\r\nLink: x\r\n\r\nHTTP/1.1 200 "
        "OK\r\nContent-Length: 2\r\n\r\nok"},
       "ok"},
      {"no content", {"HTTP/1.1 204 No Content\r\n\r\n"}, "", 204},
      // 101 ends the exchange normally with no body rather than waiting for one.
      {"switching protocols", {"HTTP/1.1 101 Switching Protocols\r\nUpgrade: x\r\n\r\n"}, "", 101},
      {"binary", Respond(200, "OK", bomAndZero), bomAndZero},
      {"declared charset ignored",
       Respond(200, "OK", "\xD1\x8F", {"Content-Type: text/html; charset=windows-1251"}),
       "\xD1\x8F"},
  };
  for (const Case& c : cases) {
    TestServer server([&](const std::string&) { return c.reply; });
    TPageFetcher fetcher;
    QByteArray buffer;
    ASSERT_EQ(FailureOf([&] { fetcher.Get(Q(server.Origin() + "/"), buffer); }), "") << c.name;
    EXPECT_EQ(buffer.toStdString(), c.body) << c.name;
    EXPECT_EQ(fetcher.ResponseCode(), c.code) << c.name;
  }
}

TEST(PageFetcher, ErrorStatusFailsWithStatusLineAndLeavesBufferAlone) {
  struct Case {
    std::string response;
    const char* message;
    int code;
    int connections;  // after one more request: an HTTP/1.0 answer closes the connection
  };
  const Case cases[] = {
      {"HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot here!", "HTTP/1.1 404 Not Found",
       404, 1},
      {"HTTP/1.1 500 Internal Server Error\r\nTransfer-Encoding: "
       "chunked\r\n\r\n2\r\nno\r\n0\r\n\r\n",
       "HTTP/1.1 500 Internal Server Error", 500, 1},
      {"HTTP/1.0 404 Nicht gefunden\r\nContent-Length: 0\r\n\r\n", "HTTP/1.0 404 Nicht gefunden",
       404, 2},
      {"HTTP/1.1 304 Not Modified\r\nLocation: /x\r\n\r\n", "HTTP/1.1 304 Not Modified", 304, 1},
      {"HTTP/1.1 302 Found\r\nContent-Length: 1\r\n\r\nx", "HTTP/1.1 302 Found", 302, 1},
  };
  for (const Case& c : cases) {
    TestServer server([&](const std::string& request) {
      return testing::RequestTarget(request) == "/ok" ? Respond(200, "OK", "fine")
                                                      : Reply{c.response};
    });
    TPageFetcher fetcher;
    QByteArray buffer("kept");
    EXPECT_EQ(FailureOf([&] { fetcher.Get(Q(server.Origin() + "/x"), buffer); }), c.message);
    EXPECT_EQ(fetcher.ResponseCode(), c.code) << c.message;
    EXPECT_EQ(buffer, QByteArray("kept")) << c.message;
    // The error body was read off, so a connection the server keeps open serves the next request.
    buffer.clear();
    fetcher.Get(Q(server.Origin() + "/ok"), buffer);
    EXPECT_EQ(buffer, QByteArray("fine")) << c.message;
    EXPECT_EQ(server.ConnectionsAccepted(), c.connections) << c.message;
  }
}

// Fourteen redirects are followed; the fifteenth ends the request with an empty body.
TEST(PageFetcher, RedirectsFollowedUpToFourteen) {
  struct Case {
    int last;  // the chain's final page, after this many redirects
    const char* body;
    const char16_t* document;
    int code;
    std::size_t requests;
  };
  const Case cases[] = {
      {1, "final 1", u"1", 200, 2}, {14, "final 14", u"14", 200, 15}, {1000, "", u"14", 302, 15}};
  for (const Case& c : cases) {
    TestServer server([=](const std::string& request) { return RedirectChain(request, c.last); });
    TPageFetcher fetcher;
    QByteArray buffer;
    fetcher.Get(Q(server.Origin() + "/r/0"), buffer);
    EXPECT_EQ(buffer, QByteArray(c.body)) << c.last;
    EXPECT_EQ(fetcher.URL().Document, QString::fromUtf16(c.document)) << c.last;
    EXPECT_EQ(fetcher.ResponseCode(), c.code) << c.last;
    EXPECT_EQ(server.Requests().size(), c.requests) << c.last;
  }
}

TEST(PageFetcher, RedirectCarriesCookiesAndResolvesRelativeLocation) {
  TestServer server([](const std::string& request) {
    const std::string target = testing::RequestTarget(request);
    if (target == "/a/b/c")
      return Respond(302, "Found", "", {"Set-Cookie: s=1; Path=/", "Location: ../ads?x=1"});
    return Respond(200, "OK", "ads page");
  });
  TPageFetcher fetcher;
  QByteArray buffer;
  fetcher.Get(Q(server.Origin() + "/a/b/c"), buffer);
  EXPECT_EQ(fetcher.URL().Document, u"ads"_qs);
  ASSERT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(server.Requests()[1].bytes,
            testing::ExpectedRequest("/a/ads?x=1", server.Port(), "s=1"));

  fetcher.ClearCookies();
  buffer.clear();
  fetcher.Get(u"/next"_qs, buffer);
  EXPECT_EQ(server.Requests()[2].bytes, testing::ExpectedRequest("/next", server.Port()));
}

// The job tells the engine's refusal from a page by what the answers on the way said.
TEST(PageFetcher, TracesThePathsHeadersAndRetryAfterOfTheWay) {
  TestServer server([](const std::string& request) {
    const std::string target = testing::RequestTarget(request);
    if (target == "/search/direct?text=captcha")
      return Respond(302, "Found", "", {"X-Yandex-Captcha: captcha", "Location: /showcaptcha?x=1"});
    if (target == "/busy") return Respond(429, "Too Many Requests", "", {"Retry-After: 120"});
    // The date form: a date long past is "now", one far ahead is many seconds away.
    if (target == "/past")
      return Respond(429, "Too Many Requests", "", {"Retry-After: Sun, 06 Nov 1994 08:49:37 GMT"});
    if (target == "/ahead")
      return Respond(429, "Too Many Requests", "", {"Retry-After: Fri, 01 Jan 2100 00:00:00 GMT"});
    return Respond(200, "OK", "page");
  });
  TPageFetcher fetcher;
  QByteArray buffer;
  fetcher.Get(Q(server.Origin() + "/search/direct?text=captcha"), buffer);
  EXPECT_EQ(fetcher.LastAnswer().paths, QStringList({u"/search/direct"_qs, u"/showcaptcha"_qs}));
  EXPECT_TRUE(fetcher.LastAnswer().captchaHeader);
  EXPECT_FALSE(fetcher.LastAnswer().retryAfterSeconds);

  EXPECT_EQ(FailureOf([&] { fetcher.Get(Q(server.Origin() + "/busy"), buffer); }),
            "HTTP/1.1 429 Too Many Requests");
  EXPECT_EQ(fetcher.LastAnswer().paths, QStringList({u"/busy"_qs}));
  EXPECT_FALSE(fetcher.LastAnswer().captchaHeader);
  EXPECT_EQ(fetcher.LastAnswer().retryAfterSeconds, 120);
  FailureOf([&] { fetcher.Get(Q(server.Origin() + "/past"), buffer); });
  EXPECT_EQ(fetcher.LastAnswer().retryAfterSeconds, 0);
  FailureOf([&] { fetcher.Get(Q(server.Origin() + "/ahead"), buffer); });
  EXPECT_GT(fetcher.LastAnswer().retryAfterSeconds.value_or(0), 365 * 24 * 3600);
}

TEST(PageFetcher, RedirectToOtherServerOpensConnectionThere) {
  TestServer target([](const std::string&) { return Respond(200, "OK", "there"); });
  TestServer origin([&](const std::string&) {
    return Respond(301, "Moved", "", {"Location: " + target.Origin() + "/t"});
  });
  TPageFetcher fetcher;
  QByteArray buffer;
  fetcher.Get(Q(origin.Origin() + "/"), buffer);
  EXPECT_EQ(buffer, QByteArray("there"));
  ASSERT_EQ(target.Requests().size(), 1u);
  EXPECT_EQ(target.Requests()[0].bytes, testing::ExpectedRequest("/t", target.Port()));
}

TEST(PageFetcher, ConnectionReuseFollowsServerAndCaller) {
  TestServer server([](const std::string& request) {
    if (testing::RequestTarget(request) == "/close")
      return Respond(200, "OK", "bye", {"Connection: close"});
    return Respond(200, "OK", "hi");
  });
  TPageFetcher fetcher;
  QByteArray buffer;
  const auto get = [&](const char* path) {
    buffer.clear();
    fetcher.Get(Q(server.Origin() + path), buffer);
    return server.ConnectionsAccepted();
  };
  EXPECT_EQ(get("/"), 1);
  EXPECT_EQ(get("/"), 1);
  EXPECT_EQ(get("/close"), 1);
  EXPECT_EQ(get("/"), 2);
  fetcher.Disconnect();
  EXPECT_EQ(get("/"), 3);
  fetcher.DropConnection();
  EXPECT_EQ(get("/"), 4);
}

TEST(PageFetcher, ConnectionClosedWhileIdleIsNotReused) {
  for (const bool tls : {false, true}) {
    // The answer promises to keep the connection open, then the server closes it anyway.
    const auto handler = [](const std::string&) {
      Reply reply = Respond(200, "OK", "once");
      reply.then = Reply::Then::Close;
      return reply;
    };
    TestServer server(
        handler, tls ? std::optional<testing::TlsOptions>(testing::TlsOptions{}) : std::nullopt);
    TPageFetcher fetcher(testing::ShortTimeouts());
    QByteArray buffer;
    fetcher.Get(Q(server.Origin() + "/"), buffer);
    ASSERT_TRUE(testing::WaitFor([&] { return server.ConnectionsEnded() == 1; }));
    buffer.clear();
    EXPECT_EQ(FailureOf([&] { fetcher.Get(Q(server.Origin() + "/"), buffer); }), "") << tls;
    EXPECT_EQ(buffer, QByteArray("once"));
    EXPECT_EQ(server.ConnectionsAccepted(), 2);
  }
}

TEST(PageFetcher, NetworkFailures) {
  struct Case {
    const char* name;
    Reply reply;
    const char* messagePart;
    int code;
  };
  const Case cases[] = {
      {"closed before status", {"", Reply::Then::Close}, "не прислав ответа", 0},
      {"silence before status", {"", Reply::Then::Silence}, "время ожидания чтения истекло", 0},
      {"silence inside body",
       {"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", Reply::Then::Silence},
       "время ожидания чтения истекло",
       200},
      {"closed inside body",
       {"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", Reply::Then::Close},
       "до конца ответа",
       200},
      {"truncated chunk",
       {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab", Reply::Then::Close},
       "до конца ответа",
       200},
      {"garbage", {"SPDY/9 hello\r\n\r\n", Reply::Then::Close}, "не по протоколу HTTP", 0},
      {"reset inside body",
       {"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + std::string(5000, 'x'),
        Reply::Then::Reset},
       "",
       200},
  };
  for (const Case& c : cases) {
    TestServer server([&](const std::string& request) {
      return testing::RequestTarget(request) == "/404" ? Respond(404, "Not Found", "") : c.reply;
    });
    TPageFetcher fetcher(testing::ShortTimeouts());
    QByteArray buffer;
    EXPECT_NE(FailureOf([&] { fetcher.Get(Q(server.Origin() + "/404"), buffer); }), "");
    ASSERT_EQ(fetcher.ResponseCode(), 404);
    const std::string message = FailureOf([&] { fetcher.Get(Q(server.Origin() + "/x"), buffer); });
    EXPECT_NE(message, "") << c.name;
    EXPECT_NE(message.find(c.messagePart), std::string::npos) << c.name << ": " << message;
    EXPECT_EQ(fetcher.ResponseCode(), c.code) << c.name;
  }
}

TEST(PageFetcher, RefusedConnectionFails) {
  const int port = testing::FreeLoopbackPort();
  TPageFetcher fetcher(testing::ShortTimeouts());
  QByteArray buffer;
  const std::string message =
      FailureOf([&] { fetcher.Get(Q("http://127.0.0.1:" + std::to_string(port) + "/"), buffer); });
  EXPECT_NE(message.find("Не удалось соединиться с 127.0.0.1:" + std::to_string(port)),
            std::string::npos)
      << message;
  EXPECT_EQ(fetcher.ResponseCode(), 0);
}

TEST(PageFetcher, ConnectTimeout) {
  // A listener that never accepts and whose queue is full leaves further connection attempts
  // unanswered, as an unreachable host does.
  boost::asio::io_context io;
  boost::asio::ip::tcp::acceptor listener(io);
  listener.open(boost::asio::ip::tcp::v4());
  listener.bind({boost::asio::ip::make_address("127.0.0.1"), 0});
  listener.listen(0);
  // Started, never completed: the io_context is not run.
  std::vector<std::unique_ptr<boost::asio::ip::tcp::socket>> queued;
  for (int i = 0; i < 4; ++i) {
    queued.push_back(std::make_unique<boost::asio::ip::tcp::socket>(io));
    queued.back()->async_connect(listener.local_endpoint(),
                                 [](const boost::system::error_code&) {});
  }
  FetcherOptions options = testing::ShortTimeouts();
  options.connectTimeout = std::chrono::milliseconds(300);
  TPageFetcher fetcher(options);
  QByteArray buffer;
  const std::string message = FailureOf([&] {
    fetcher.Get(Q("http://127.0.0.1:" + std::to_string(listener.local_endpoint().port()) + "/"),
                buffer);
  });
  EXPECT_NE(message.find("время ожидания соединения истекло"), std::string::npos) << message;
  EXPECT_EQ(fetcher.ResponseCode(), 0);
}

TEST(PageFetcher, BodyOverLimitFailsInsteadOfGrowing) {
  struct Case {
    const char* name;
    Reply reply;
  };
  const Case cases[] = {
      {"length", Respond(200, "OK", std::string(5000, 'x'))},
      {"chunked",
       {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1388\r\n" + std::string(5000, 'x') +
        "\r\n0\r\n\r\n"}},
      {"close-delimited", {"HTTP/1.1 200 OK\r\n\r\n" + std::string(5000, 'x'), Reply::Then::Close}},
  };
  for (const Case& c : cases) {
    TestServer server([&](const std::string&) { return c.reply; });
    FetcherOptions options = testing::ShortTimeouts();
    options.maxBodyBytes = 1000;
    TPageFetcher fetcher(options);
    QByteArray buffer;
    const std::string message = FailureOf([&] { fetcher.Get(Q(server.Origin() + "/"), buffer); });
    EXPECT_NE(message.find("больше 1000 байт"), std::string::npos) << c.name << ": " << message;
    EXPECT_LE(buffer.size(), 1000) << c.name;
    EXPECT_EQ(fetcher.ResponseCode(), 200) << c.name;
  }
}

}  // namespace
}  // namespace korvath
