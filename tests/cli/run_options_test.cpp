#include "cli/run_options.h"

#include "engine/engine_origin.h"

#include <gtest/gtest.h>

#include <optional>

namespace korvath {
namespace {

QStringList Args(std::initializer_list<const char*> items) {
  QStringList list;
  for (const char* item : items) list.append(QString::fromUtf8(item));
  return list;
}

TEST(RunOptions, DefaultsAreTheWindowsSettings) {
  const RunOptions options = ParseRunArguments({});
  EXPECT_EQ(options.programFolder, QString());
  EXPECT_EQ(options.origin, kDefaultEngineOrigin.toString());
  EXPECT_EQ(options.interval, std::chrono::milliseconds(3000));
  EXPECT_EQ(options.retryCount, 20);
  EXPECT_FALSE(options.cap.has_value());
  EXPECT_EQ(options.queriesFile, QString());
  EXPECT_FALSE(options.regions.has_value());
  EXPECT_FALSE(options.openResults);
  EXPECT_FALSE(options.timeoutMs.has_value());
  EXPECT_TRUE(options.workbook);
  EXPECT_EQ(options.workers, 1);
  EXPECT_EQ(options.interruptedJob, InterruptedJobChoice::Refuse);
}

TEST(RunOptions, ReadsWorkersAndWhatToDoWithAnInterruptedJob) {
  const RunOptions resume =
      ParseRunArguments(Args({"--resume", "--workers", "64", "--interval=1"}));
  EXPECT_EQ(std::make_pair(resume.workers, resume.interruptedJob),
            std::make_pair(64, InterruptedJobChoice::Resume));
  // A new job takes its inputs from the command line as ever.
  const RunOptions fresh = ParseRunArguments(Args({"--fresh", "--retry", "2", "--limit", "3"}));
  EXPECT_EQ(fresh.interruptedJob, InterruptedJobChoice::Fresh);
}

TEST(RunOptions, ReadsTheOptionsOfLongJobs) {
  const RunOptions options =
      ParseRunArguments(Args({"--interval", "0.3", "--block-wait", "0.2", "--block-wait-max=5",
                              "--on-block", "stop", "--give-up-after", "4"}));
  EXPECT_EQ(options.interval, std::chrono::milliseconds(300));
  EXPECT_EQ(options.blockWait, std::chrono::milliseconds(200));
  EXPECT_EQ(options.blockWaitMax, std::chrono::milliseconds(5000));
  EXPECT_TRUE(options.stopOnBlock);
  EXPECT_EQ(options.giveUpAfter, 4);
  const RunOptions automatic =
      ParseRunArguments(Args({"--interval", "auto", "--interval-min=0.25"}));
  EXPECT_TRUE(automatic.autoInterval);
  EXPECT_EQ(automatic.interval, std::chrono::milliseconds(3000));
  EXPECT_EQ(automatic.intervalMin, std::chrono::milliseconds(250));
  const RunOptions defaults = ParseRunArguments({});
  EXPECT_EQ(defaults.blockWait, std::chrono::milliseconds(60000));
  EXPECT_EQ(defaults.blockWaitMax, std::chrono::milliseconds(1800000));
  EXPECT_FALSE(defaults.stopOnBlock);
  EXPECT_EQ(defaults.giveUpAfter, 0);
  for (const auto& bad : std::initializer_list<std::initializer_list<const char*>>{
           {"--on-block", "sometimes"},
           {"--block-wait", "-0.5"},
           {"--block-wait", "x"},
           {"--block-wait", "10", "--block-wait-max", "5"},
           {"--give-up-after", "0"}}) {
    EXPECT_THROW(ParseRunArguments(Args(bad)), RunArgumentError) << *bad.begin();
  }
}

TEST(RunOptions, ReadsEveryOptionInBothSpellings) {
  const RunOptions options = ParseRunArguments(
      Args({"--dir", "/tmp/p", "--origin=https://127.0.0.1:8443/", "--interval", "0", "--retry=1",
            "--limit", "1", "--queries=q.txt", "--regions", "Нижний Новгород=47,A=1, B=2 ",
            "--open", "--timeout-ms=250", "--no-xlsx"}));
  EXPECT_EQ(options.programFolder, u"/tmp/p"_qs);
  EXPECT_EQ(options.origin, u"https://127.0.0.1:8443"_qs);
  EXPECT_EQ(options.interval, std::chrono::milliseconds(0));
  EXPECT_EQ(options.retryCount, 1);
  EXPECT_EQ(options.cap, std::optional<int>(1));
  EXPECT_EQ(options.queriesFile, u"q.txt"_qs);
  // Entries go to the job without the blanks around them: it splits them at "=" itself.
  EXPECT_EQ(options.regions,
            std::optional<QStringList>({u"Нижний Новгород=47"_qs, u"A=1"_qs, u"B=2"_qs}));
  EXPECT_TRUE(options.openResults);
  EXPECT_EQ(options.timeoutMs, std::optional<int>(250));
  EXPECT_FALSE(options.workbook);
  EXPECT_TRUE(ParseRunArguments(Args({"--no-xlsx", "--xlsx"})).workbook);
}

TEST(RunOptions, RefusesWhatCannotBeRun) {
  const struct {
    std::initializer_list<const char*> args;
    const char* messagePart;
  } cases[] = {
      {{"--bogus"}, "unknown argument \"--bogus\""},
      {{"keywords.txt"}, "unknown argument"},
      {{"--dir"}, "--dir: missing value"},
      {{"--dir="}, "--dir: empty path"},
      {{"--open=yes"}, "--open takes no value"},
      {{"--no-xlsx=1"}, "--no-xlsx takes no value"},
      {{"--interval", "-1"}, "--interval"},
      {{"--interval", "2147484"}, "--interval"},  // would overflow as milliseconds
      {{"--interval", "Auto"}, "--interval"},
      {{"--interval", "auto", "--interval-min", "x"}, "--interval-min: expected seconds"},
      {{"--interval-min", "1"}, "--interval-min: only used with --interval auto"},
      {{"--retry", "0"}, "--retry"},
      {{"--limit", "-1"}, "--limit"},
      {{"--limit", "0"}, "--limit: expected a whole number from 1 to"},
      {{"--timeout-ms", "0"}, "--timeout-ms"},
      {{"--origin", "ftp://127.0.0.1"}, "expected https://HOST[:PORT] or http://HOST[:PORT]"},
      {{"--origin", "https://127.0.0.1/search"}, "--origin"},
      {{"--origin", "https://127.0.0.1?x=1"}, "--origin"},
      {{"--origin", "127.0.0.1:8443"}, "--origin"},
      {{"--origin", "https://user@127.0.0.1"}, "--origin"},
      {{"--regions", "A=1,,B=2"}, "--regions: empty entry"},
      {{"--regions", ""}, "--regions: empty entry"},
      // Whatever follows "=" went into the search address unchecked.
      {{"--regions", "X=213&text=evil"}, "\"X=213&text=evil\": the region code"},
      {{"--regions", "a=b=c"}, "\"a=b=c\": the region code"},
      {{"--regions", "Москва="}, "\"Москва=\": the region code"},
      {{"--regions", "A=-1"}, "\"A=-1\": the region code"},
      {{"--regions", "A=\u0661"}, "the region code"},  // an Arabic-Indic digit is not a digit here
      {{"--regions", "=213"}, "\"=213\" has no region name"},
      {{"--regions", " =213"}, "\"=213\" has no region name"},
      {{"--regions", "213"}, "\"213\" has no region name"},
      {{"--regions", "A=1,B=2,C=1"}, "\"C=1\": region 1 is given twice"},
      {{"--regions", "A=1,A=1"}, "\"A=1\": region 1 is given twice"},
      {{"--workers", "0"}, "--workers: expected a whole number from 1 to 64, got \"0\""},
      {{"--workers", "65"}, "--workers: expected a whole number from 1 to 64"},
      {{"--resume=yes"}, "--resume takes no value"},
      {{"--fresh", "--resume"}, "--resume and --fresh exclude each other"},
      // The interrupted job goes on with its own inputs; these would be ignored.
      {{"--resume", "--queries", "q.txt"}, "--queries is not allowed with --resume"},
      {{"--regions=A=1", "--resume"}, "--regions is not allowed with --resume"},
      {{"--resume", "--retry", "5"}, "--retry is not allowed with --resume"},
      {{"--resume", "--limit=5"}, "--limit is not allowed with --resume"},
  };
  for (const auto& c : cases) {
    const QStringList args = Args(c.args);
    SCOPED_TRACE(args.join(u' ').toStdString());
    try {
      ParseRunArguments(args);
      ADD_FAILURE() << "accepted";
    } catch (const RunArgumentError& error) {
      EXPECT_NE(std::string(error.what()).find(c.messagePart), std::string::npos) << error.what();
    }
  }
}

}  // namespace
}  // namespace korvath
