#include "web/request_text.h"

#include <gtest/gtest.h>

#include "web/address.h"

namespace korvath {
namespace {

constexpr const char* kProfile =
    "Accept: "
    "text/html,application/xhtml+xml,application/xml;q=0.9,image/avif,image/webp,*/*;q=0.8\r\n"
    "Accept-Language: ru-RU,ru;q=0.8,en-US;q=0.5,en;q=0.3\r\n"
    "User-Agent: Mozilla/5.0 (Windows NT 6.1; Win64; x64; rv:109.0) Gecko/20100101 "
    "Firefox/115.0\r\n";

TEST(RequestText, PlainProxyRequestNamesWholeAddressAndCredentialsBeforeCookie) {
  const UrlParts url = ResolveAddress(u"http://h.ru/a/b?x=1"_qs, {});
  EXPECT_EQ(PageRequestText(url, true, "Basic dTpw", "c=1"),
            std::string("GET http://h.ru:80/a/b?x=1 HTTP/1.1\r\nHost: h.ru\r\n") + kProfile +
                "Proxy-Authorization: Basic dTpw\r\nCookie: c=1\r\n\r\n");
}

TEST(RequestText, TunnelRequestHeadersInOrder) {
  const UrlParts url = ResolveAddress(u"https://h.ru:8443/p"_qs, {});
  EXPECT_EQ(TunnelRequestText(url, "Basic dTpw"),
            "CONNECT h.ru:8443 HTTP/1.1\r\nPragma: no-cache\r\nProxy-Connection: keep-alive\r\n"
            "Host: h.ru:8443\r\nUser-Agent: Mozilla/5.0 (Windows NT 6.1; Win64; x64; rv:109.0) "
            "Gecko/20100101 Firefox/115.0\r\nProxy-Authorization: Basic dTpw\r\n\r\n");
  EXPECT_EQ(TunnelRequestText(ResolveAddress(u"https://h.ru/"_qs, {}), {}).substr(0, 29),
            "CONNECT h.ru:443 HTTP/1.1\r\nPr");
}

TEST(RequestText, BasicCredentialsAreUtf8) {
  EXPECT_EQ(BasicProxyAuthorization(u"user"_qs, u"a:b"_qs), "Basic dXNlcjphOmI=");
  EXPECT_EQ(BasicProxyAuthorization(u"я"_qs, QString()), "Basic 0Y86");
}

}  // namespace
}  // namespace korvath
