// A whole job against an engine with a hidden limit, paced automatically.
#include "e2e_support.h"

#include <QUrl>

#include <gtest/gtest.h>

namespace korvath::e2e {
namespace {

const auto* const kQtApplication = ::testing::AddGlobalTestEnvironment(new QtApplication);

// 110 requests: ten results pages of ten ads.
const QStringList kShape = {u"--pages"_qs, u"10"_qs, u"--ads"_qs, u"10"_qs};

QStringList JobArguments(const Sandbox& sandbox, const QString& origin, const QString& interval) {
  WriteUserLines(sandbox.WorkingFile(u"queries.txt"_qs), {u"окна"_qs});
  return {u"--origin"_qs,  origin,           u"--interval"_qs,
          interval,        u"--queries"_qs,  sandbox.WorkingFile(u"queries.txt"_qs),
          u"--regions"_qs, u"Москва=213"_qs, u"--block-wait"_qs,
          u"0.2"_qs};
}

// More than two requests within 0.4 s are blocked: the pace the job can keep is 0.2 s.
TEST(CliAutoPace, FindsTheHiddenLimitAndLosesNoRow) {
  DemoEngine free(kShape);
  Sandbox unlimited;
  ASSERT_EQ(RunCli(unlimited, JobArguments(unlimited, free.Origin(), u"0"_qs)).exitCode, 0);
  DemoEngine engine(kShape + QStringList{u"--rate-limit"_qs, u"2/0.4"_qs, u"--captcha-for"_qs,
                                         u"0.2"_qs, u"--captcha-style"_qs, u"inline"_qs});
  Sandbox sandbox;
  const CliResult run = RunCli(sandbox, JobArguments(sandbox, engine.Origin(), u"auto"_qs));

  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
  EXPECT_EQ(FilesOf(sandbox), FilesOf(unlimited));
  const QUrl origin(engine.Origin());
  const QString address = origin.host() + u':' + QString::number(origin.port());
  // The pace it ends at is near 0,2 s: the time a request itself takes counts towards the
  // spacing the engine sees, so a slow machine may settle a tenth lower.
  const QString summary = u": Адрес "_qs + address + u": пауза 0,"_qs;
  const qsizetype last = run.out.lastIndexOf(summary);
  ASSERT_GE(last, 0) << run.out.toStdString();
  const QChar tenths = run.out.at(last + summary.size());
  EXPECT_TRUE(tenths >= u'1' && tenths <= u'3') << run.out.mid(last, 80).toStdString();
  EXPECT_EQ(Count(run.out, u": Адрес "_qs + address + u": пауза "_qs), 1);
}

}  // namespace
}  // namespace korvath::e2e
