#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

namespace korvath {
namespace {

struct UsageCase {
  const char* name;
  QStringList arguments;
  int exitCode;
  // Where the usage appears, and a line it must hold.
  bool onStdout;
  const char* line;
};

class CliUsage : public testing::TestWithParam<UsageCase> {};

TEST_P(CliUsage, IsPrintedWhereAskedWithTheRightStatus) {
  const UsageCase& c = GetParam();
  QProcess process;
  process.start(QStringLiteral(KORVATH_CLI), c.arguments);
  ASSERT_TRUE(process.waitForFinished(60000));
  EXPECT_EQ(process.exitCode(), c.exitCode);
  const QByteArray out = process.readAllStandardOutput();
  const QByteArray err = process.readAllStandardError();
  const QByteArray& usage = c.onStdout ? out : err;
  EXPECT_TRUE(usage.contains("usage: korvath-cli ")) << usage.toStdString();
  EXPECT_TRUE(usage.contains(c.line)) << usage.toStdString();
  if (c.onStdout) {
    EXPECT_TRUE(err.isEmpty()) << err.toStdString();
  }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Arguments, CliUsage, testing::Values(
    UsageCase{"HelpOption", {u"--help"_qs}, 0, true, "korvath-cli run [--dir DIR]"},
    UsageCase{"HelpCommand", {u"help"_qs}, 0, true, "korvath-cli inspect-card FILE"},
    UsageCase{"RunHelp", {u"run"_qs, u"--interval"_qs, u"0"_qs, u"--help"_qs}, 0, true,
              "[--xlsx | --no-xlsx]"},
    UsageCase{"FetchHelp", {u"fetch"_qs, u"-h"_qs}, 0, true, "usage: korvath-cli fetch"},
    UsageCase{"NoCommand", {}, 2, false, "commands:"},
    UsageCase{"UnknownCommand", {u"crawl"_qs}, 2, false, "korvath-cli run"}),
    [](const auto& info) { return info.param.name; });
// clang-format on

}  // namespace
}  // namespace korvath
