// A whole job against an engine with a hidden limit, paced automatically.
#include "e2e_support.h"

#include <QRegularExpression>
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
  JobFiles unlimited;
  {
    DemoEngine engine(kShape);
    Sandbox sandbox;
    ASSERT_EQ(RunCli(sandbox, JobArguments(sandbox, engine.Origin(), u"0"_qs)).exitCode, 0);
    unlimited = FilesOf(sandbox);
  }
  DemoEngine engine(kShape + QStringList{u"--rate-limit"_qs, u"2/0.4"_qs, u"--captcha-for"_qs,
                                         u"0.2"_qs, u"--captcha-style"_qs, u"inline"_qs});
  Sandbox sandbox;
  const CliResult run = RunCli(sandbox, JobArguments(sandbox, engine.Origin(), u"auto"_qs));

  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
  EXPECT_EQ(FilesOf(sandbox), unlimited);
  const QUrl origin(engine.Origin());
  const QString address = origin.host() + u':' + QString::number(origin.port());
  const QRegularExpression told(u"Подобрали паузу (\\d+),(\\d) с для адреса "_qs +
                                QRegularExpression::escape(address) + u'\n');
  QRegularExpressionMatchIterator lines = told.globalMatch(run.out);
  int tenths = -1;
  while (lines.hasNext()) {
    const QRegularExpressionMatch line = lines.next();
    tenths = line.captured(1).toInt() * 10 + line.captured(2).toInt();
  }
  EXPECT_GE(tenths, 2) << run.out.toStdString();
  EXPECT_LE(tenths, 3) << run.out.toStdString();
  EXPECT_EQ(Count(run.out, u": Адрес "_qs + address + u": пауза "_qs), 1);
}

}  // namespace
}  // namespace korvath::e2e
