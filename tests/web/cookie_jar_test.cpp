#include "web/cookie_jar.h"

#include <gtest/gtest.h>

#include <vector>

namespace korvath {
namespace {

struct SetCookie {
  const char* url;
  const char* header;
};

struct CookieCase {
  const char* name;
  std::vector<SetCookie> responses;
  const char* requestUrl;
  const char* expected;  // the Cookie header, empty for none
};

class CookieJarHeader : public ::testing::TestWithParam<CookieCase> {};

TEST_P(CookieJarHeader, MatchesRequest) {
  const CookieCase& c = GetParam();
  CookieJar jar;
  for (const SetCookie& response : c.responses) {
    jar.Store({QByteArray(response.header)}, QUrl(QString::fromUtf8(response.url)));
  }
  EXPECT_EQ(jar.HeaderFor(QUrl(QString::fromUtf8(c.requestUrl))), QByteArray(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Rfc6265, CookieJarHeader,
    ::testing::Values(
        CookieCase{"HostOnlyNotForSubdomain",
                   {{"https://a.example.com/", "x=1"}},
                   "https://b.a.example.com/",
                   ""},
        CookieCase{"HostOnlyForSameHost",
                   {{"https://a.example.com/", "x=1"}},
                   "https://a.example.com/p",
                   "x=1"},
        CookieCase{"DomainForSubdomain",
                   {{"https://a.example.com/", "x=1; Domain=example.com"}},
                   "https://b.example.com/",
                   "x=1"},
        CookieCase{"ForeignDomainRefused",
                   {{"https://a.example.com/", "x=1; Domain=other.com"}},
                   "https://other.com/",
                   ""},
        CookieCase{
            "PathPrefixOnSegment", {{"https://h.ru/", "x=1; Path=/ab"}}, "https://h.ru/abc", ""},
        CookieCase{
            "PathPrefixMatches", {{"https://h.ru/", "x=1; Path=/ab"}}, "https://h.ru/ab/c", "x=1"},
        CookieCase{"LongerPathFirst",
                   {{"https://h.ru/", "a=1; Path=/"},
                    {"https://h.ru/", "b=2; Path=/x/y"},
                    {"https://h.ru/", "c=3; Path=/x"}},
                   "https://h.ru/x/y/z",
                   "b=2; c=3; a=1"},
        CookieCase{"OlderFirstAmongEqualPaths",
                   {{"https://h.ru/", "z=1; Path=/"}, {"https://h.ru/", "a=2; Path=/"}},
                   "https://h.ru/",
                   "z=1; a=2"},
        CookieCase{"ReplacementKeepsAge",
                   {{"https://h.ru/", "a=1; Path=/"},
                    {"https://h.ru/", "b=2; Path=/"},
                    {"https://h.ru/", "a=3; Path=/"}},
                   "https://h.ru/",
                   "a=3; b=2"},
        CookieCase{"SameNameOtherPathKeptApart",
                   {{"https://h.ru/", "a=1; Path=/"}, {"https://h.ru/", "a=2; Path=/x"}},
                   "https://h.ru/x",
                   "a=2; a=1"},
        CookieCase{"SecureOnlyOverHttps",
                   {{"https://h.ru/", "s=1; Secure"}, {"https://h.ru/", "p=2"}},
                   "http://h.ru/",
                   "p=2"},
        CookieCase{"SecureOverHttps", {{"https://h.ru/", "s=1; Secure"}}, "https://h.ru/", "s=1"},
        CookieCase{"ExpiresInPast",
                   {{"https://h.ru/", "a=1; Expires=Thu, 01 Jan 1970 00:00:01 GMT"}},
                   "https://h.ru/",
                   ""},
        CookieCase{"MaxAgeZeroDeletes",
                   {{"https://h.ru/", "a=1"}, {"https://h.ru/", "a=1; Max-Age=0"}},
                   "https://h.ru/",
                   ""},
        CookieCase{
            "MaxAgeInFuture", {{"https://h.ru/", "a=1; Max-Age=3600"}}, "https://h.ru/", "a=1"},
        CookieCase{"DefaultPathCoversItsDirectory",
                   {{"https://h.ru/a/b", "x=1"}},
                   "https://h.ru/a",
                   "x=1"},
        CookieCase{
            "DefaultPathNotForSibling", {{"https://h.ru/a/b", "x=1"}}, "https://h.ru/ab", ""},
        CookieCase{"RelativePathAttributeMeansDefault",
                   {{"https://h.ru/a/b", "x=1; Path=zz"}},
                   "https://h.ru/a",
                   "x=1"},
        CookieCase{
            "DefaultPathOfRootDocument", {{"https://h.ru/b", "x=1"}}, "https://h.ru/c/d", "x=1"},
        CookieCase{"AddressDomainNotForOtherAddress",
                   {{"http://127.0.0.1/", "a=1; Domain=.0.0.1"}},
                   "http://10.0.0.1/",
                   ""},
        CookieCase{"AddressDomainForItsOwnAddress",
                   {{"http://127.0.0.1:8080/", "a=1; Domain=.0.0.1"},
                    {"http://127.0.0.1:8080/", "b=2; Domain=127.0.0.1"},
                    {"http://127.0.0.1:8080/", "c=3"}},
                   "http://127.0.0.1/",
                   "b=2; c=3"},
        CookieCase{"HostOnlyOfIpv6Address", {{"http://[::1]/", "a=1"}}, "http://[::1]/", "a=1"},
        CookieCase{"ExpiredDoesNotDeleteOther",
                   {{"https://h.ru/", "a=1"}, {"https://h.ru/", "b=1; Max-Age=0"}},
                   "https://h.ru/",
                   "a=1"}),
    [](const ::testing::TestParamInfo<CookieCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvath
