#include "web/proxy_list.h"

#include "platform/code_page.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace korvath {
namespace {

void WriteFile(const QString& path, const std::string& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(file.write(bytes.data(), qint64(bytes.size())), qint64(bytes.size()));
}

struct ExpectedProxy {
  const char* name;
  const char* server;
  int port;
  const char* login;
  const char* password;
};

struct ListCase {
  const char* name;
  std::string file;  // bytes of proxies.txt
  std::vector<ExpectedProxy> proxies;
  std::vector<std::string> problems;
  bool windows1251 = false;
};

constexpr const char* kUnusable =
    "нужно [логин[:пароль]@]хост:порт с портом от 1 до 65535; строка пропущена";
constexpr const char* kScheme =
    "перед адресом прокси стоит схема, отличная от http:// (программа работает только с "
    "HTTP-прокси); строка пропущена";

std::string Problem(int line, const char* what) {
  return "proxies.txt, строка " + std::to_string(line) + ": " + what;
}

class ProxyListRead : public ::testing::TestWithParam<ListCase> {};

TEST_P(ProxyListRead, YieldsProxiesAndProblems) {
  const ListCase& c = GetParam();
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  WriteFile(folder.filePath(u"proxies.txt"_qs), c.file);

  const ProxyList list = ReadProxyList(folder.path());
  ASSERT_EQ(list.proxies.size(), c.proxies.size());
  for (size_t i = 0; i < c.proxies.size(); ++i) {
    const ExpectedProxy& want = c.proxies[i];
    const ListedProxy& got = list.proxies[i];
    EXPECT_EQ(got.name, QString::fromUtf8(want.name)) << i;
    EXPECT_EQ(got.params.ProxyServer, QString::fromUtf8(want.server)) << i;
    EXPECT_EQ(got.params.ProxyPort, want.port) << i;
    EXPECT_EQ(got.params.ProxyUsername, QString::fromUtf8(want.login)) << i;
    EXPECT_EQ(got.params.ProxyPassword, QString::fromUtf8(want.password)) << i;
    EXPECT_EQ(got.params.BasicAuthentication, *want.login != '\0') << i;
  }
  QStringList problems;
  for (const std::string& line : c.problems) problems.append(QString::fromStdString(line));
  EXPECT_EQ(list.problems, problems);
  // Every password of the cases below contains "secret": none may reach the log.
  for (const QString& line : list.problems)
    EXPECT_FALSE(line.contains(u"secret"_qs)) << line.toStdString();
  // Where the system's own code page is Windows-1251 its bytes need no notice.
  EXPECT_EQ(!list.encodingNotice.isEmpty(), c.windows1251 && SystemEncodingIsUtf8());
  EXPECT_TRUE(list.present);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProxyListRead,
    ::testing::Values(
        ListCase{"HostPortAndCredentials",
                 "10.0.0.1:3128\r\nuser:secret@proxy.example:8080\r\nlogin@h:1\r\nu:a:secret@h:2",
                 {{"10.0.0.1:3128", "10.0.0.1", 3128, "", ""},
                  {"proxy.example:8080", "proxy.example", 8080, "user", "secret"},
                  {"h:1", "h", 1, "login", ""},
                  {"h:2", "h", 2, "u", "a:secret"}},
                 {}},
        // Comments and blank lines are skipped without a word, yet still count for the line
        // numbers the user sees in the editor.
        ListCase{"CommentsAndBlanksKeepLineNumbers",
                 "# my proxies\r\n\r\n   \t\r\n  # indented: h:1\r\n  h:2  \r\nh\r\n",
                 {{"h:2", "h", 2, "", ""}},
                 {Problem(6, kUnusable)}},
        ListCase{"UnusableLines",
                 "h\nh:\nh:0\nh:65535\nh:65536\nh:8o\nh:-1\n:80\nuser:secret@h:\nh /x:1\n"
                 "user:secret@:9\nh:99999999999\n",
                 {{"h:65535", "h", 65535, "", ""}},
                 {Problem(1, kUnusable), Problem(2, kUnusable), Problem(3, kUnusable),
                  Problem(5, kUnusable), Problem(6, kUnusable), Problem(7, kUnusable),
                  Problem(8, kUnusable), Problem(9, kUnusable), Problem(10, kUnusable),
                  Problem(11, kUnusable), Problem(12, kUnusable)}},
        // With credentials, a scheme would otherwise read as the login "http".
        ListCase{"SchemeBeforeHost",
                 "https://user:secret@h:2\r\nsocks5://h:3\r\nh:4\r\n",
                 {{"h:4", "h", 4, "", ""}},
                 {Problem(1, kScheme), Problem(2, kScheme)}},
        // What users paste most: an "http://" in front, an IPv6 address in brackets, a password
        // holding "@" (the last "@" ends it).
        ListCase{"PastedForms",
                 "http://1.2.3.4:8080\r\nHTTP://u:p@secret@h:2\r\n[::1]:3128\r\n"
                 "u:secret@[2001:DB8::1]:8080\r\n[::1]\r\n[zz::1]:1\r\n[::1:80\r\n"
                 "http://socks5://h:3\r\n",
                 {{"1.2.3.4:8080", "1.2.3.4", 8080, "", ""},
                  {"h:2", "h", 2, "u", "p@secret"},
                  {"[::1]:3128", "::1", 3128, "", ""},
                  {"[2001:DB8::1]:8080", "2001:DB8::1", 8080, "u", "secret"}},
                 {Problem(5, kUnusable), Problem(6, kUnusable), Problem(7, kUnusable),
                  Problem(8, kScheme)}},
        // One proxy on two lines would carry two workers at once; another login on the same
        // host and port is another proxy.
        ListCase{"RepeatedProxySkipped",
                 "h:80\r\nH:0080\r\nu1:secret1@h:80\r\nu2:secret1@h:80\r\nu1:secret2@h:80\r\n"
                 "h:81\r\n",
                 {{"h:80", "h", 80, "", ""},
                  {"h:80", "h", 80, "u1", "secret1"},
                  {"h:80", "h", 80, "u2", "secret1"},
                  {"h:81", "h", 81, "", ""}},
                 {Problem(2, "тот же прокси, что в строке 1; строка пропущена"),
                  Problem(5, "тот же прокси, что в строке 3; строка пропущена")}},
        ListCase{"Utf8ByteOrderMark",
                 "\xEF\xBB\xBFпользователь:secret@h:1\r\n",
                 {{"h:1", "h", 1, "пользователь", "secret"}},
                 {}},
        ListCase{"Windows1251",
                 "# \xEF\xF0\xEE\xEA\xF1\xE8\r\n\xEF\xEE\xEB\xFC\xE7\xEE\xE2\xE0\xF2\xE5\xEB\xFC:"
                 "secret@h:7\r\n",
                 {{"h:7", "h", 7, "пользователь", "secret"}},
                 {},
                 true},
        ListCase{"OnlyComments", "# none yet\r\n", {}, {}}),
    [](const ::testing::TestParamInfo<ListCase>& info) { return std::string(info.param.name); });

TEST(ProxyListRead, NoFileNoProxies) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const ProxyList list = ReadProxyList(folder.path());
  EXPECT_FALSE(list.present);
  EXPECT_TRUE(list.proxies.empty());
  EXPECT_TRUE(list.problems.isEmpty());
  EXPECT_TRUE(list.encodingNotice.isEmpty());
}

// A file that is there but cannot be read must not pass for an empty list: the job would go out
// without the proxies the user asked for.
TEST(ProxyListRead, UnreadableFileThrows) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  ASSERT_TRUE(QDir(folder.path()).mkdir(u"proxies.txt"_qs));
  EXPECT_THROW(ReadProxyList(folder.path()), std::runtime_error);
}

// The job must not go out from the user's own address when the list cannot give it a proxy.
TEST(ProxyListRead, RefusalWhenTheFileGivesNoProxy) {
  const std::string notStarted =
      ". Работа не начата, чтобы запросы не ушли без прокси с вашего собственного адреса";
  const struct {
    const char* name;
    const char* file;  // nullptr: no file
    std::string refusal;
  } cases[] = {
      {"NoFile", nullptr, ""},
      {"OnlyComments", "# none yet\r\n\r\n", ""},
      {"OneUsable", "h\r\nh:1\r\n", ""},
      {"NoneUsable", "h\r\nsocks5://h:1\r\n",
       "В файле proxies.txt нет ни одного годного прокси (пропущено: 2 строки, причины названы "
       "в логе)" +
           notStarted},
      {"OneUnusable", "h:0\r\n",
       "В файле proxies.txt нет ни одного годного прокси (пропущено: 1 строка, причины названы "
       "в логе)" +
           notStarted},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir folder;
    if (c.file) WriteFile(folder.filePath(u"proxies.txt"_qs), c.file);
    EXPECT_EQ(ProxyListRefusal(folder.path()).toStdString(), c.refusal);
  }
  QTemporaryDir folder;
  ASSERT_TRUE(QDir(folder.path()).mkdir(u"proxies.txt"_qs));
  const QString refusal = ProxyListRefusal(folder.path());
  EXPECT_TRUE(refusal.startsWith(u"Не удаётся открыть файл \"%1\": "_qs.arg(
      QDir::toNativeSeparators(folder.filePath(u"proxies.txt"_qs)))))
      << refusal.toStdString();
  EXPECT_TRUE(refusal.endsWith(QString::fromStdString(notStarted))) << refusal.toStdString();
  // Windows words the reason itself, in the user's language.
  if (QSysInfo::kernelType() == u"linux"_qs) {
    EXPECT_TRUE(refusal.contains(u": это папка, а не файл"_qs)) << refusal.toStdString();
  }
}

struct NoticeCase {
  const char* name;
  const char* file;  // bytes of proxy.txt; nullptr: no file
  bool notice;
};

class IgnoredProxyFile : public ::testing::TestWithParam<NoticeCase> {};

TEST_P(IgnoredProxyFile, NoticeWhenFirstLineNamesNoPort) {
  const NoticeCase& c = GetParam();
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  if (c.file) WriteFile(folder.filePath(u"proxy.txt"_qs), c.file);
  const QString notice = IgnoredProxyFileNotice(folder.path());
  if (c.notice) {
    EXPECT_EQ(notice,
              u"Файл proxy.txt есть, но прокси из него не используется: в первой строке "
              u"нет хост:порт. Запросы идут напрямую, без прокси"_qs);
  } else {
    EXPECT_TRUE(notice.isEmpty()) << notice.toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IgnoredProxyFile,
    ::testing::Values(NoticeCase{"NoFile", nullptr, false}, NoticeCase{"Used", "h:80\r\n", false},
                      // A port the proxy file rejects is reported by its own reading.
                      NoticeCase{"UsedWithBadPort", "h:0", false},
                      NoticeCase{"UsedAfterByteOrderMark", "\xEF\xBB\xBFh:80", false},
                      NoticeCase{"Empty", "", true}, NoticeCase{"NoColon", "myproxy\r\n", true},
                      NoticeCase{"ProxyOnSecondLine", "\r\nh:80\r\n", true}),
    [](const ::testing::TestParamInfo<NoticeCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvath
