#include "web/tpage_fetcher.h"

#include <gtest/gtest.h>

#include "fetcher_test_support.h"
#include "support/test_server.h"

namespace korvath {
namespace {

using testing::FailureOf;
using testing::Q;
using testing::Reply;
using testing::Respond;
using testing::TestServer;
using testing::TlsOptions;

Reply Page(const std::string&) { return Respond(200, "OK", "secure page"); }

TEST(PageFetcherTls, AcceptsAnyCertificate) {
  struct Case {
    const char* name;
    TlsOptions tls;
  };
  const Case cases[] = {
      {"self-signed", TlsOptions{}},
      {"expired", TlsOptions{"127.0.0.1", std::chrono::hours(-48), std::chrono::hours(-24)}},
      {"not yet valid", TlsOptions{"127.0.0.1", std::chrono::hours(24), std::chrono::hours(48)}},
      {"wrong name", TlsOptions{"wrong.example", std::chrono::hours(-1), std::chrono::hours(1)}},
  };
  for (const Case& c : cases) {
    TestServer server(Page, c.tls);
    TPageFetcher fetcher;
    QByteArray buffer;
    ASSERT_EQ(FailureOf([&] { fetcher.Get(Q(server.Origin() + "/card/1"), buffer); }), "")
        << c.name;
    EXPECT_EQ(buffer, QByteArray("secure page")) << c.name;
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].bytes, testing::ExpectedRequest("/card/1", server.Port()))
        << c.name;
  }
}

TEST(PageFetcherTls, NamesHostButNotAddressInServerNameIndication) {
  TestServer server(Page, TlsOptions{"localhost"});
  TPageFetcher fetcher;
  QByteArray buffer;
  fetcher.Get(Q("https://localhost:" + std::to_string(server.Port()) + "/"), buffer);
  fetcher.Disconnect();
  fetcher.Get(Q(server.Origin() + "/"), buffer);
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].serverName, "localhost");
  // The server would speak TLS 1.3; the fetcher offers no more than 1.2.
  EXPECT_EQ(requests[0].tlsVersion, "TLSv1.2");
  EXPECT_EQ(requests[1].serverName, "");
}

TEST(PageFetcherTls, ServerAllowingOnlyNewerVersionFailsCleanly) {
  TlsOptions tls;
  tls.tls13Only = true;
  TestServer server(Page, tls);
  TPageFetcher fetcher(testing::ShortTimeouts());
  QByteArray buffer;
  const std::string message = FailureOf([&] { fetcher.Get(Q(server.Origin() + "/"), buffer); });
  EXPECT_NE(message.find("Ошибка TLS"), std::string::npos) << message;
  EXPECT_EQ(fetcher.ResponseCode(), 0);
  EXPECT_TRUE(server.Requests().empty());
}

// A close without a TLS close notification ends a close-delimited body, but not one whose length
// was announced.
TEST(PageFetcherTls, CloseWithoutNotification) {
  const std::pair<const char*, bool> cases[] = {
      {"HTTP/1.1 200 OK\r\n\r\nto the end", true},
      {"HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\nshort", false}};
  for (const auto& [response, complete] : cases) {
    TestServer server(
        [&](const std::string&) {
          return Reply{response, Reply::Then::Close};
        },
        TlsOptions{});
    TPageFetcher fetcher(testing::ShortTimeouts());
    QByteArray buffer;
    const std::string failure = FailureOf([&] { fetcher.Get(Q(server.Origin() + "/"), buffer); });
    if (complete) {
      EXPECT_EQ(failure, "") << response;
      EXPECT_EQ(buffer, QByteArray("to the end"));
    } else {
      // The same words as for a plain connection closed halfway, not a TLS failure.
      EXPECT_NE(failure.find("закрыл соединение до конца ответа"), std::string::npos) << failure;
    }
  }
}

TEST(PageFetcherTls, SecureCookieOnlyOverHttps) {
  TestServer secure(
      [](const std::string&) {
        return Respond(200, "OK", "", {"Set-Cookie: s=1; Secure", "Set-Cookie: p=2"});
      },
      TlsOptions{});
  TestServer plain([](const std::string&) { return Respond(200, "OK", ""); });
  TPageFetcher fetcher;
  QByteArray buffer;
  fetcher.Get(Q(secure.Origin() + "/"), buffer);
  fetcher.Get(Q(secure.Origin() + "/"), buffer);
  fetcher.Get(Q(plain.Origin() + "/"), buffer);
  EXPECT_NE(secure.Requests().at(1).bytes.find("Cookie: s=1; p=2\r\n"), std::string::npos);
  // Host-only cookies follow the host, not the port, so the plain server sees the one that is not
  // secure.
  EXPECT_NE(plain.Requests().at(0).bytes.find("Cookie: p=2\r\n"), std::string::npos);
}

}  // namespace
}  // namespace korvath
