#include "web/address.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace korvath {
namespace {

struct ResolveCase {
  const char* previous;  // resolved first, against nothing; empty for none
  const char* address;
  const char* expected;  // AddressText of the result
  const char* path;
  const char* document;
  const char* params;
};

class AddressResolve : public ::testing::TestWithParam<ResolveCase> {};

TEST_P(AddressResolve, GivesPartsAndTarget) {
  const ResolveCase& c = GetParam();
  UrlParts previous;
  if (*c.previous != '\0') previous = ResolveAddress(QString::fromUtf8(c.previous), {});
  const UrlParts url = ResolveAddress(QString::fromUtf8(c.address), previous);
  EXPECT_EQ(AddressText(url), QString::fromUtf8(c.expected));
  EXPECT_EQ(url.Path, QString::fromUtf8(c.path));
  EXPECT_EQ(url.Document, QString::fromUtf8(c.document));
  EXPECT_EQ(url.Params, QString::fromUtf8(c.params));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AddressResolve,
    ::testing::Values(
        ResolveCase{"", "https://yandex.ru/search/direct?text=a%20b&lr=213",
                    "https://yandex.ru/search/direct?text=a%20b&lr=213", "/search/", "direct",
                    "text=a%20b&lr=213"},
        ResolveCase{"", "https://h:8443", "https://h:8443/", "/", "", ""},
        ResolveCase{"", "HTTP://h:80/x", "http://h/x", "/", "x", ""},
        ResolveCase{"", "http://h/a/b#frag", "http://h/a/b", "/a/", "b", ""},
        ResolveCase{"", "http://h/a#f?x=1", "http://h/a#f?x=1", "/", "a#f", "x=1"},
        ResolveCase{"", "http://h/a?x=1#f", "http://h/a?x=1#f", "/", "a", "x=1#f"},
        ResolveCase{"", "http://h\\a\\b?c=\\d", "http://h/a/b?c=\\d", "/a/", "b", "c=\\d"},
        ResolveCase{"", "http://h/%D1%8F/x y", "http://h/%D1%8F/x y", "/%D1%8F/", "x y", ""},
        ResolveCase{"", "http://[::1]:81/", "http://[::1]:81/", "/", "", ""},
        ResolveCase{"https://h:444/a/b/c?q", "/ads", "https://h:444/ads", "/", "ads", ""},
        ResolveCase{"https://h/a/b/c?q", "d/e", "https://h/a/b/d/e", "/a/b/d/", "e", ""},
        ResolveCase{"https://h/a/b/c", "../x?y=1", "https://h/a/x?y=1", "/a/", "x", "y=1"},
        ResolveCase{"https://h/a/b/c", "./", "https://h/a/b/", "/a/b/", "", ""},
        ResolveCase{"https://h/a/b/c", "..", "https://h/a/", "/a/", "", ""},
        ResolveCase{"https://h/a/b/c", "../../../x", "https://h/x", "/", "x", ""},
        ResolveCase{"https://h/a/b/c", "x\\y\\z", "https://h/a/b/x/y/z", "/a/b/x/y/", "z", ""},
        ResolveCase{"https://h/a/b/c?q", "?r", "https://h/a/b/c?r", "/a/b/", "c", "r"},
        ResolveCase{"https://h/a/b/c?q", "", "https://h/a/b/c?q", "/a/b/", "c", "q"},
        ResolveCase{"https://h:444/a", "//other/p", "https://other/p", "/", "p", ""},
        ResolveCase{"http://h/a", "https://g/b", "https://g/b", "/", "b", ""}));

TEST(AddressResolve, RejectsWhatCannotBeRequested) {
  const UrlParts none;
  const UrlParts previous = ResolveAddress(u"https://h/"_qs, none);
  for (const QString& address : {u"/relative"_qs, u"ftp://h/x"_qs, u"http://h:0/"_qs,
                                 u"http://h:65536/"_qs, u"http://h:8o/"_qs, u"http:///x"_qs}) {
    EXPECT_THROW(ResolveAddress(address, none), std::runtime_error) << address.toStdString();
  }
  // A line break would let an address smuggle headers into the request.
  EXPECT_THROW(ResolveAddress(u"/x\r\nCookie: a=b"_qs, previous), std::runtime_error);
  EXPECT_THROW(ResolveAddress(u"https://h/x\nX: y"_qs, none), std::runtime_error);
}

TEST(AddressResolve, HostHeaderNamesPortOnlyWhenNotDefault) {
  const UrlParts none;
  EXPECT_EQ(HostWithPort(ResolveAddress(u"https://h:443/"_qs, none)), u"h"_qs);
  EXPECT_EQ(HostWithPort(ResolveAddress(u"https://h:80/"_qs, none)), u"h:80"_qs);
  EXPECT_EQ(HostWithPort(ResolveAddress(u"http://h:443/"_qs, none)), u"h:443"_qs);
  EXPECT_EQ(AbsoluteAddress(ResolveAddress(u"http://h/p?q"_qs, none)), u"http://h:80/p?q"_qs);
}

}  // namespace
}  // namespace korvath
