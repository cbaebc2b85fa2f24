#include "e2e_support.h"

#include "support/journal_writer.h"

#include <gtest/gtest.h>

namespace korvath::e2e {
namespace {

const auto* const kQtApplication = ::testing::AddGlobalTestEnvironment(new QtApplication);

// Days of work must not go because a scheduled command line did not know about them: before any
// request, `run` says what to do and leaves the journal as it was.
TEST(CliJournal, InterruptedJobIsNeitherContinuedNorReplacedUnasked) {
  const JournalInputs inputs =
      testing::JobInputs({u"труба"_qs, u"двери"_qs}, {u"Москва=213"_qs, u"Казань=43"_qs});
  Sandbox sandbox;
  testing::WriteJournal(sandbox.ProgramFolder(), inputs, 3);
  const CliResult run = RunCli(sandbox, {u"--queries"_qs, u"q.txt"_qs, u"--regions"_qs, u"A=1"_qs});
  EXPECT_EQ(run.exitCode, 2) << run.out.toStdString();
  EXPECT_TRUE(
      run.err.contains(u"holds an interrupted job: Выполнено задач (запрос в регионе): "
                       u"3 из 4, собрано строк: 3, сбор остановлен "_qs))
      << run.err.toStdString();
  EXPECT_TRUE(run.err.contains(
      u"Give --resume to continue it, or --fresh to start a new job in its place."_qs));
  EXPECT_FALSE(run.out.contains(u"Начинаем работу"_qs)) << run.out.toStdString();
  const auto journal = JobJournal::Open(sandbox.ProgramFolder(), nullptr);
  EXPECT_EQ(journal->Summary().tasksDone, 3);
  EXPECT_EQ(journal->Inputs(), inputs);
}

}  // namespace
}  // namespace korvath::e2e
