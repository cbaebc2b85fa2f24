#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/test_server.h"
#include "support/tinyproxy.h"

namespace korvath {
namespace {

using testing::Reply;
using testing::Respond;
using testing::TestServer;

struct CliResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

CliResult RunFetch(const QStringList& arguments) {
  QProcess process;
  process.start(QStringLiteral(KORVATH_CLI), QStringList{u"fetch"_qs} + arguments);
  EXPECT_TRUE(process.waitForFinished(120000));
  return {process.exitCode(), process.readAllStandardOutput().toStdString(),
          QString::fromLocal8Bit(process.readAllStandardError()).toStdString()};
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

Reply Site(const std::string& request) {
  const std::string target = testing::RequestTarget(request);
  if (target == "/start")
    return Respond(302, "Found", "", {"Location: /a/ads", "Set-Cookie: k=v; Path=/"});
  if (target == "/gone") return Respond(404, "Not Found", "gone");
  return Respond(200, "OK", "page " + target);
}

TEST(FetchCommand, FetchesInOrderCarryingCookiesAndConnection) {
  TestServer server(Site);
  QTemporaryDir folder;
  const QString origin = QString::fromStdString(server.Origin());
  const QString out = folder.filePath(u"body.html"_qs);
  const CliResult result = RunFetch(
      {u"--dir"_qs, folder.path(), u"--out"_qs, out, origin + u"/start"_qs, u"next?x=1"_qs});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const std::string o = server.Origin();
  EXPECT_EQ(result.out,
            "{\"url\": \"" + o +
                "/start\", \"response_code\": 200, \"document\": \"ads\", \"bytes\": 11}\n" +
                "{\"url\": \"" + o +
                "/a/next?x=1\", \"response_code\": 200, \"document\": \"next\", \"bytes\": 16}\n");
  EXPECT_EQ(ReadFile(out), QByteArray("page /a/next?x=1"));
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_NE(requests[2].bytes.find("Cookie: k=v\r\n"), std::string::npos);
  EXPECT_EQ(server.ConnectionsAccepted(), 1);
}

TEST(FetchCommand, ReportsFailureAndKeepsGoing) {
  TestServer server(Site);
  QTemporaryDir folder;
  const QString origin = QString::fromStdString(server.Origin());
  const QString out = folder.filePath(u"body.html"_qs);
  WriteFile(out, "earlier");
  const CliResult result = RunFetch(
      {u"--dir"_qs, folder.path(), u"--out"_qs, out, origin + u"/x"_qs, origin + u"/gone"_qs});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.out.find("\"response_code\": 200, \"document\": \"x\", \"bytes\": 7}\n"),
            std::string::npos);
  EXPECT_NE(result.out.find("\"response_code\": 404, \"document\": \"gone\", \"bytes\": 0, "
                            "\"error\": \"HTTP/1.1 404 Not Found\"}\n"),
            std::string::npos)
      << result.out;
  EXPECT_EQ(ReadFile(out), QByteArray("earlier"));
}

TEST(FetchCommand, BadArguments) {
  for (const QStringList& arguments : {QStringList{}, QStringList{u"--out"_qs},
                                       QStringList{u"--bogus"_qs, u"http://127.0.0.1:1/"_qs}}) {
    EXPECT_EQ(RunFetch(arguments).exitCode, 2) << arguments.join(u' ').toStdString();
  }
}

TEST(FetchCommand, UnusableProxyPortSendsNothing) {
  TestServer server(Site);
  QTemporaryDir folder;
  WriteFile(folder.filePath(u"proxy.txt"_qs), "127.0.0.1:99999\r\n");
  const CliResult result =
      RunFetch({u"--dir"_qs, folder.path(), QString::fromStdString(server.Origin() + "/x")});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("Используем прокси 127.0.0.1:99999, без авторизации\n"),
            std::string::npos)
      << result.err;
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(server.ConnectionsAccepted(), 0);
}

TEST(FetchCommand, GoesThroughProxyFromProxyFile) {
  if (!testing::TinyproxyInstalled()) GTEST_SKIP() << "tinyproxy is not installed";
  testing::Tinyproxy proxy("korvath", "s3cret");
  TestServer server(Site, testing::TlsOptions{});
  QTemporaryDir folder;
  WriteFile(folder.filePath(u"proxy.txt"_qs),
            "  korvath:s3cret@127.0.0.1:" + QByteArray::number(proxy.Port()) + "  \r\n\r\n");
  const QString origin = QString::fromStdString(server.Origin());
  const CliResult result =
      RunFetch({u"--dir"_qs, folder.path(), origin + u"/start"_qs, origin + u"/b"_qs});
  EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
  EXPECT_EQ(result.err,
            "Используем прокси 127.0.0.1:" + std::to_string(proxy.Port()) + ", логин korvath\n");
  EXPECT_EQ(result.out.find("s3cret"), std::string::npos);
  // Each address gets a tunnel of its own (a redirect stays in its tunnel); cookies carry over.
  EXPECT_EQ(server.ConnectionsAccepted(), 2);
  EXPECT_NE(server.Requests().at(2).bytes.find("Cookie: k=v\r\n"), std::string::npos);
}

}  // namespace
}  // namespace korvath
