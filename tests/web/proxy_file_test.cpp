#include "web/proxy_file.h"

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
  bool basic;
  const char* logLine;
  bool usable;
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
  EXPECT_EQ(settings->params.BasicAuthentication, c.basic);
  EXPECT_EQ(settings->logLine, QString::fromUtf8(c.logLine));
  EXPECT_EQ(!settings->unusableReason.has_value(), c.usable);
  if (!settings->params.ProxyPassword.isEmpty()) {
    EXPECT_FALSE(settings->logLine.contains(settings->params.ProxyPassword));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProxyFileRead,
    ::testing::Values(ProxyCase{"HostAndPort", "10.0.0.1:3128", "10.0.0.1", 3128, "", "", false,
                                "Используем прокси 10.0.0.1:3128, без авторизации", true},
                      ProxyCase{"LoginAndPassword", "user:secret@proxy.local:8080\r\n",
                                "proxy.local", 8080, "user", "secret", true,
                                "Используем прокси proxy.local:8080, логин user", true},
                      ProxyCase{"LoginWithoutPassword", "user@h:1", "h", 1, "user", "", true,
                                "Используем прокси h:1, логин user", true},
                      ProxyCase{"AtFirst", "@h:2", "h", 2, "", "", false,
                                "Используем прокси h:2, без авторизации", true},
                      ProxyCase{"PasswordKeepsLaterColons", "u:a:b:c@h:3", "h", 3, "u", "a:b:c",
                                true, "Используем прокси h:3, логин u", true},
                      ProxyCase{"PasswordWithAtIsCut", "u:p@ss@h:4", "ss@h", 4, "u", "p", true,
                                "Используем прокси ss@h:4, логин u", true},
                      ProxyCase{"BlanksAndBlankLinesAround", "  h:5 \r\n\r\n   \n", "h", 5, "", "",
                                false, "Используем прокси h:5, без авторизации", true},
                      ProxyCase{"LeadingZerosShownInLog", "h:0080", "h", 80, "", "", false,
                                "Используем прокси h:0080, без авторизации", true},
                      ProxyCase{"EmptyHostMeansDirect", ":8080", "", 8080, "", "", false,
                                "Используем прокси :8080, без авторизации", true},
                      ProxyCase{"SecondLineJoinsPort", "h:81\nother", "h", 0, "", "", false,
                                "Используем прокси h:81\r\nother, без авторизации", false},
                      ProxyCase{"SchemeBeforeHost", "http://h:3128", "http", 0, "", "", false,
                                "Используем прокси http://h:3128, без авторизации", false},
                      ProxyCase{"PortOutOfRange", "h:65536", "h", 0, "", "", false,
                                "Используем прокси h:65536, без авторизации", false},
                      ProxyCase{"PortZero", "h:0", "h", 0, "", "", false,
                                "Используем прокси h:0, без авторизации", false},
                      ProxyCase{"PortWithSign", "h:+80", "h", 0, "", "", false,
                                "Используем прокси h:+80, без авторизации", false},
                      ProxyCase{"EmptyPort", "h:", "h", 0, "", "", false,
                                "Используем прокси h:, без авторизации", false},
                      ProxyCase{"Utf8Login", "\xEF\xBB\xBFпользователь:пароль@h:6", "h", 6,
                                "пользователь", "пароль", true,
                                "Используем прокси h:6, логин пользователь", true}),
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
