#include "web/tpage_fetcher.h"

#include <gtest/gtest.h>

#include "fetcher_test_support.h"
#include "support/free_port.h"
#include "support/test_server.h"
#include "support/tinyproxy.h"

namespace korvath {
namespace {

using testing::FailureOf;
using testing::Q;
using testing::Reply;
using testing::Respond;
using testing::TestServer;
using testing::TlsOptions;

ProxyParams Proxy(int port, const QString& login = {}, const QString& password = {}) {
  ProxyParams params;
  params.ProxyServer = u"127.0.0.1"_qs;
  params.ProxyPort = port;
  params.ProxyUsername = login;
  params.ProxyPassword = password;
  params.BasicAuthentication = !login.isEmpty();
  return params;
}

// A stand-in proxy that records what it is sent and answers as told.
TEST(PageFetcherProxy, TunnelRequestBytesAndRefusal) {
  TestServer proxy([](const std::string&) {
    return Reply{"HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic\r\n\r\n",
                 Reply::Then::Close};
  });
  TPageFetcher fetcher;
  fetcher.SetProxyParams(Proxy(proxy.Port(), u"user"_qs, u"pass"_qs));
  QByteArray buffer;
  EXPECT_EQ(FailureOf([&] { fetcher.Get(u"https://engine.test/search/direct?text=a"_qs, buffer); }),
            "HTTP/1.1 407 Proxy Authentication Required");
  ASSERT_EQ(proxy.Requests().size(), 1u);
  EXPECT_EQ(
      proxy.Requests()[0].bytes,
      "CONNECT engine.test:443 HTTP/1.1\r\nPragma: no-cache\r\nProxy-Connection: keep-alive\r\n"
      "Host: engine.test\r\nUser-Agent: Mozilla/5.0 (Windows NT 6.1; Win64; x64; rv:109.0) "
      "Gecko/20100101 Firefox/115.0\r\nProxy-Authorization: Basic dXNlcjpwYXNz\r\n\r\n");
  EXPECT_TRUE(buffer.isEmpty());
}

// Only a failure before anything came from the engine is the proxy's: the job rests the proxy
// for it, and counts every other failure against the page.
TEST(PageFetcherProxy, FailuresAtTheProxyAreToldFromTheEngines) {
  const struct Case {
    const char* name;
    std::optional<Reply> reply;  // none: nothing listens on the proxy's port
    const char* address;
    bool proxyFault;
  } cases[] = {
      {"ProxyRefuses", std::nullopt, "http://engine.test/a", true},
      {"ProxyWantsCredentials",
       Reply{"HTTP/1.1 407 Proxy Authentication Required\r\nContent-Length: 0\r\n\r\n"},
       "http://engine.test/a", true},
      {"TunnelRefused", Reply{"HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n"},
       "https://engine.test/a", true},
      {"EngineResets", Reply{"", Reply::Then::Reset}, "http://engine.test/a", false},
      {"BodyCut", Reply{"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", Reply::Then::Close},
       "http://engine.test/a", false},
      {"EngineStalls", Reply{"", Reply::Then::Silence}, "http://engine.test/a", false},
      {"BadAddress", Reply{"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"},
       "http://engine.test/a\x01", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::optional<TestServer> proxy;
    if (c.reply) proxy.emplace([&](const std::string&) { return *c.reply; });
    TPageFetcher fetcher(testing::ShortTimeouts());
    fetcher.SetProxyParams(Proxy(proxy ? proxy->Port() : testing::FreeLoopbackPort()));
    QByteArray buffer;
    EXPECT_FALSE(FailureOf([&] { fetcher.Get(QString::fromLatin1(c.address), buffer); }).empty());
    EXPECT_EQ(fetcher.LastAnswer().proxyFault, c.proxyFault);
  }
}

// The login goes out as UTF-8 (here "я" without a password), not in the locale's 8-bit encoding.
TEST(PageFetcherProxy, PlainRequestGoesToProxyWithWholeAddress) {
  TestServer proxy([](const std::string&) { return Respond(200, "OK", "via proxy"); });
  TPageFetcher fetcher;
  fetcher.SetProxyParams(Proxy(proxy.Port(), u"я"_qs));
  QByteArray buffer;
  fetcher.Get(u"http://engine.test:8080/a?b=1"_qs, buffer);
  EXPECT_EQ(buffer, QByteArray("via proxy"));
  ASSERT_EQ(proxy.Requests().size(), 1u);
  EXPECT_EQ(proxy.Requests()[0].bytes, std::string("GET http://engine.test:8080/a?b=1 HTTP/1.1\r\n"
                                                   "Host: engine.test:8080\r\n") +
                                           testing::kRequestProfile +
                                           "Proxy-Authorization: Basic 0Y86\r\n\r\n");
}

TEST(PageFetcherProxy, TunnelAnswerOddities) {
  struct Case {
    const char* answer;
    const char* messagePart;
  };
  const Case cases[] = {
      // An empty answer line counts as an opened tunnel; the stand-in cannot speak TLS, so that
      // shows as a handshake that gets no answer.
      {"\r\n", "установку TLS"},
      {"HTTP/1.1 200 OK\r\n\r\nstray", "лишние данные"},
  };
  for (const Case& c : cases) {
    TestServer proxy([&](const std::string&) { return Reply{c.answer}; });
    TPageFetcher fetcher(testing::ShortTimeouts());
    fetcher.SetProxyParams(Proxy(proxy.Port()));
    QByteArray buffer;
    const std::string message = FailureOf([&] { fetcher.Get(u"https://engine.test/"_qs, buffer); });
    EXPECT_NE(message.find(c.messagePart), std::string::npos) << message;
  }
}

TEST(PageFetcherProxy, UnusablePortSendsNothing) {
  TestServer proxy([](const std::string&) { return Respond(200, "OK", ""); });
  for (const int port : {0, 65536, -1}) {
    TPageFetcher fetcher;
    fetcher.SetProxyParams(Proxy(port));
    QByteArray buffer;
    EXPECT_NE(FailureOf([&] { fetcher.Get(Q(proxy.Origin() + "/"), buffer); }), "");
  }
  EXPECT_EQ(proxy.ConnectionsAccepted(), 0);
}

class PageFetcherTinyproxy : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::TinyproxyInstalled()) GTEST_SKIP() << "tinyproxy is not installed";
    proxy_ = std::make_unique<testing::Tinyproxy>("korvath", "s3cret");
  }
  std::unique_ptr<testing::Tinyproxy> proxy_;
};

TEST_F(PageFetcherTinyproxy, TunnelsHttpsWithCredentialsOnEveryRequest) {
  TestServer server(
      [](const std::string& request) {
        return Respond(200, "OK", "card " + testing::RequestTarget(request), {"Set-Cookie: t=1"});
      },
      TlsOptions{});
  TPageFetcher fetcher;
  fetcher.SetProxyParams(Proxy(proxy_->Port(), u"korvath"_qs, u"s3cret"_qs));
  for (const char* path : {"/card/1", "/card/2"}) {
    QByteArray buffer;
    fetcher.Disconnect();
    ASSERT_EQ(FailureOf([&] { fetcher.Get(Q(server.Origin() + path), buffer); }), "");
    EXPECT_EQ(buffer, QByteArray("card ") + path);
  }
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(server.ConnectionsAccepted(), 2);
  for (const auto& request : requests)
    EXPECT_EQ(request.bytes.find("Proxy-Authorization"), std::string::npos);
  EXPECT_NE(requests[1].bytes.find("Cookie: t=1\r\n"), std::string::npos);
}

// Proxies bound to addresses of their own look like clients of their own to a server that keeps
// its blocks per client address, as the demo engine does for the pool's tests and benchmark.
TEST(PageFetcherBoundTinyproxy, ServerSeesProxysBindAddress) {
  if (!testing::TinyproxyInstalled()) GTEST_SKIP() << "tinyproxy is not installed";
  testing::Tinyproxy proxy(testing::TinyproxyOptions{{}, {}, "127.0.0.3"});
  TestServer server([](const std::string&) { return Respond(200, "OK", "ok"); }, TlsOptions{});
  QByteArray buffer;
  TPageFetcher direct;
  ASSERT_EQ(FailureOf([&] { direct.Get(Q(server.Origin() + "/direct"), buffer); }), "");
  TPageFetcher proxied;
  proxied.SetProxyParams(Proxy(proxy.Port()));
  ASSERT_EQ(FailureOf([&] { proxied.Get(Q(server.Origin() + "/proxied"), buffer); }), "");
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].peer, "127.0.0.1");
  EXPECT_EQ(requests[1].peer, "127.0.0.3");
}

TEST_F(PageFetcherTinyproxy, PlainHttpThroughProxy) {
  TestServer server([](const std::string&) { return Respond(200, "OK", "plain"); });
  TPageFetcher fetcher;
  fetcher.SetProxyParams(Proxy(proxy_->Port(), u"korvath"_qs, u"s3cret"_qs));
  QByteArray buffer;
  ASSERT_EQ(FailureOf([&] { fetcher.Get(Q(server.Origin() + "/p?q=1"), buffer); }), "");
  EXPECT_EQ(buffer, QByteArray("plain"));
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(testing::RequestTarget(server.Requests()[0].bytes), "/p?q=1");
}

TEST_F(PageFetcherTinyproxy, RefusedCredentialsFailWithProxyStatusLine) {
  TestServer server([](const std::string&) { return Respond(200, "OK", ""); }, TlsOptions{});
  struct Case {
    QString login;
    QString password;
    const char* statusLine;
  };
  const Case cases[] = {
      {u"korvath"_qs, u"wrong"_qs, "HTTP/1.0 401 Unauthorized"},
      {QString(), QString(), "HTTP/1.0 407 Proxy Authentication Required"},
  };
  for (const Case& c : cases) {
    TPageFetcher fetcher;
    fetcher.SetProxyParams(Proxy(proxy_->Port(), c.login, c.password));
    QByteArray buffer;
    EXPECT_EQ(FailureOf([&] { fetcher.Get(Q(server.Origin() + "/"), buffer); }), c.statusLine);
    EXPECT_EQ(fetcher.ResponseCode(), 0);
  }
  EXPECT_TRUE(server.Requests().empty());
}

}  // namespace
}  // namespace korvath
