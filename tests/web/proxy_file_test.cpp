#include "web/proxy_file.h"

#include "platform/code_page.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvath {
namespace {

struct ProxyCase {
  const char* name;
  const char* file;  // bytes of proxy.txt
  const char* server;
  int port;
  const char* login;
  const char* password;
  const char* logLine;       // the password never shows in it
  bool windows1251 = false;  // the file is to be read as Windows-1251 and the log told so
};

class ProxyFileRead : public ::testing::TestWithParam<ProxyCase> {};

TEST_P(ProxyFileRead, YieldsSettings) {
  const ProxyCase& c = GetParam();
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  QFile file(folder.filePath(u"proxy.txt"_qs));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(c.file);
  file.close();

  const std::optional<ProxySettings> settings = ReadProxyFile(folder.path());
  ASSERT_TRUE(settings.has_value());
  EXPECT_EQ(settings->params.ProxyServer, QString::fromUtf8(c.server));
  EXPECT_EQ(settings->params.ProxyPort, c.port);
  EXPECT_EQ(settings->params.ProxyUsername, QString::fromUtf8(c.login));
  EXPECT_EQ(settings->params.ProxyPassword, QString::fromUtf8(c.password));
  // Credentials are sent whenever a login is given, even without a password.
  EXPECT_EQ(settings->params.BasicAuthentication, *c.login != '\0');
  EXPECT_EQ(settings->logLine, QString::fromUtf8(c.logLine));
  // A file whose port cannot be read leaves the port at 0 and the proxy unusable.
  EXPECT_EQ(settings->unusableReason.has_value(), c.port == 0);
  EXPECT_EQ(settings->encodingNotice.isEmpty(), !c.windows1251 || !SystemEncodingIsUtf8());
  if (!settings->params.ProxyPassword.isEmpty()) {
    EXPECT_FALSE(settings->logLine.contains(settings->params.ProxyPassword));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProxyFileRead,
    ::testing::Values(
        ProxyCase{"HostAndPort", "10.0.0.1:3128", "10.0.0.1", 3128, "", "",
                  "Используем прокси 10.0.0.1:3128, без авторизации"},
        ProxyCase{"LoginAndPassword", "user:secret@proxy.local:8080\r\n", "proxy.local", 8080,
                  "user", "secret", "Используем прокси proxy.local:8080, логин user"},
        ProxyCase{"LoginWithoutPassword", "user@h:1", "h", 1, "user", "",
                  "Используем прокси h:1, логин user"},
        ProxyCase{"AtFirst", "@h:2", "h", 2, "", "", "Используем прокси h:2, без авторизации"},
        ProxyCase{"PasswordKeepsLaterColons", "u:a:b:c@h:3", "h", 3, "u", "a:b:c",
                  "Используем прокси h:3, логин u"},
        ProxyCase{"PasswordWithAtIsCut", "u:p@ss@h:4", "ss@h", 4, "u", "p",
                  "Используем прокси ss@h:4, логин u"},
        ProxyCase{"BlanksAndBlankLinesAround", "  h:5 \r\n\r\n   \n", "h", 5, "", "",
                  "Используем прокси h:5, без авторизации"},
        ProxyCase{"LeadingZerosShownInLog", "h:0080", "h", 80, "", "",
                  "Используем прокси h:0080, без авторизации"},
        ProxyCase{"EmptyHostMeansDirect", ":8080", "", 8080, "", "",
                  "Используем прокси :8080, без авторизации"},
        ProxyCase{"SecondLineJoinsPort", "h:81\nother", "h", 0, "", "",
                  "Используем прокси h:81\r\nother, без авторизации"},
        ProxyCase{"SchemeBeforeHost", "http://h:3128", "http", 0, "", "",
                  "Используем прокси http://h:3128, без авторизации"},
        ProxyCase{"PortOutOfRange", "h:65536", "h", 0, "", "",
                  "Используем прокси h:65536, без авторизации"},
        ProxyCase{"PortZero", "h:0", "h", 0, "", "", "Используем прокси h:0, без авторизации"},
        ProxyCase{"PortWithSign", "h:+80", "h", 0, "", "",
                  "Используем прокси h:+80, без авторизации"},
        ProxyCase{"EmptyPort", "h:", "h", 0, "", "", "Используем прокси h:, без авторизации"},
        ProxyCase{"Utf8Login", "\xEF\xBB\xBFпользователь:пароль@h:6", "h", 6, "пользователь",
                  "пароль", "Используем прокси h:6, логин пользователь"},
        ProxyCase{"Windows1251Login",
                  "\xEF\xEE\xEB\xFC\xE7\xEE\xE2\xE0\xF2\xE5\xEB\xFC:\xEF\xE0\xF0\xEE\xEB\xFC@h:7",
                  "h", 7, "пользователь", "пароль", "Используем прокси h:7, логин пользователь",
                  true}),
    [](const ::testing::TestParamInfo<ProxyCase>& info) { return std::string(info.param.name); });

TEST(ProxyFileRead, NoProxyWithoutFileOrColonInFirstLine) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  EXPECT_FALSE(ReadProxyFile(folder.path()).has_value());
  for (const char* content : {"", "\r\n", "h\r\nh:80\r\n", "no colon here"}) {
    QFile file(folder.filePath(u"proxy.txt"_qs));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    file.close();
    EXPECT_FALSE(ReadProxyFile(folder.path() + u'/').has_value()) << content;
  }
}

}  // namespace
}  // namespace korvath
