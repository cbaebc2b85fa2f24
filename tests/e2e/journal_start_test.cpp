#include "e2e_support.h"

#include "support/journal_writer.h"

#include <gtest/gtest.h>

namespace korvath::e2e {
namespace {

const auto* const kQtApplication = ::testing::AddGlobalTestEnvironment(new QtApplication);

// Days of work must not go because a scheduled command line did not know about them: before any
// request, `run` says why it does not start and leaves the journal as it was.
TEST(CliJournal, InterruptedJobIsNeitherContinuedNorReplacedUnasked) {
  const JournalInputs inputs =
      testing::JobInputs({u"труба"_qs, u"двери"_qs}, {u"Москва=213"_qs, u"Казань=43"_qs});
  const struct {
    const char* name;
    bool interrupted;  // else no journal at all
    QStringList arguments;
    QStringList errParts;
  } cases[] = {
      {"interrupted job, no choice",
       true,
       {u"--regions"_qs, u"A=1"_qs},
       {u"holds an interrupted job: Выполнено заданий (запрос в регионе): 3 из 4, собрано строк: "
        u"3, сбор остановлен "_qs,
        u"Give --resume to continue it, or --fresh to start a new job in its place."_qs}},
      {"nothing to resume", false, {u"--resume"_qs}, {u"--resume: nothing to resume"_qs}},
      {"resume with other queries",
       true,
       {u"--resume"_qs, u"--queries"_qs, u"q.txt"_qs},
       {u"--queries is not allowed with --resume"_qs, u"usage: korvath-cli run"_qs}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Sandbox sandbox;
    sandbox.WriteUserFile(u"keywords.txt"_qs, {u"окна"_qs});
    if (c.interrupted) testing::WriteJournal(sandbox.ProgramFolder(), inputs, 3);
    const CliResult run = RunCli(sandbox, c.arguments);
    EXPECT_EQ(run.exitCode, 2) << run.out.toStdString();
    for (const QString& part : c.errParts)
      EXPECT_TRUE(run.err.contains(part)) << run.err.toStdString();
    EXPECT_FALSE(run.out.contains(u"Начинаем работу"_qs)) << run.out.toStdString();
    if (!c.interrupted) continue;
    const auto journal = JobJournal::Open(sandbox.ProgramFolder(), nullptr);
    const JournalSummary summary = journal->Summary();
    EXPECT_EQ(std::make_pair(summary.tasksDone, summary.finished), std::make_pair(3, false));
    EXPECT_EQ(journal->Inputs(), inputs);
  }
}

}  // namespace
}  // namespace korvath::e2e
