// Whole jobs against an engine that blocks a client which asks too often, the way the search
// engine does: by a redirect to its captcha page, by the captcha page itself, or by a status.
#include "e2e_support.h"

#include <QDir>

#include <gtest/gtest.h>

#include <stdexcept>

namespace korvath::e2e {
namespace {

const auto* const kQtApplication = ::testing::AddGlobalTestEnvironment(new QtApplication);

// Two result pages of three ads. Requests come in this order: 1 the first page, 2 to 4 the cards
// of ads 1 to 3, 5 the second page (ad 4 has no card), 6 and 7 the cards of ads 5 and 6.
const QStringList kShape = {u"--pages"_qs, u"2"_qs, u"--ads"_qs, u"3"_qs};

QStringList JobArguments(const Sandbox& sandbox, const QString& origin,
                         const QStringList& more = {}) {
  WriteUserLines(sandbox.WorkingFile(u"queries.txt"_qs), {u"окна"_qs});
  return QStringList{u"--origin"_qs,  origin,           u"--interval"_qs,
                     u"0"_qs,         u"--queries"_qs,  sandbox.WorkingFile(u"queries.txt"_qs),
                     u"--regions"_qs, u"Москва=213"_qs, u"--block-wait"_qs,
                     u"0.2"_qs} +
         more;
}

// What the same job writes when the engine never blocks it.
const JobFiles& Clean() {
  static const JobFiles clean = [] {
    DemoEngine engine(kShape);
    Sandbox sandbox;
    const CliResult run = RunCli(sandbox, JobArguments(sandbox, engine.Origin()));
    if (run.exitCode != 0)
      throw std::runtime_error("the clean job failed: " + run.out.toStdString());
    return FilesOf(sandbox);
  }();
  return clean;
}

struct BlockCase {
  const char* name;
  QStringList engineOptions;
  QString blockLine;  // what the log says of the block
};

void PrintTo(const BlockCase& c, std::ostream* out) { *out << c.name; }

class CliBlock : public ::testing::TestWithParam<BlockCase> {};

// The block lifts after a short while: the job waits it out and ends as if it had never met one.
TEST_P(CliBlock, IsWaitedOutAndLosesNoRow) {
  const BlockCase& c = GetParam();
  DemoEngine engine(kShape + c.engineOptions);
  Sandbox sandbox;
  const CliResult run = RunCli(sandbox, JobArguments(sandbox, engine.Origin()));

  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
  EXPECT_GE(Count(run.out, c.blockLine), 1) << run.out.toStdString();
  EXPECT_GE(Count(run.out, u". Ждём 0,2 с, следующая попытка в "_qs), 1);
  EXPECT_EQ(Count(run.out, u": Блокировок за работу: "_qs), 1);
  EXPECT_EQ(Count(run.out, u": Ошибка: "_qs), 0);
  EXPECT_EQ(Count(run.out, u": Включаем паузу"_qs), 0);
  const JobFiles written = FilesOf(sandbox);
  EXPECT_EQ(written.results, Clean().results);
  EXPECT_EQ(written.working, Clean().working);
}

const QString kCaptcha = u": Яндекс просит ввести капчу вместо страницы "_qs;
const QString kTooMany = u": Яндекс ответил «429 Too Many Requests»"_qs;

// After four requests the second results page is refused; after two, the second card.
INSTANTIATE_TEST_SUITE_P(
    , CliBlock,
    ::testing::Values(
        BlockCase{"RedirectOnAResultsPage",
                  {u"--captcha-after"_qs, u"4"_qs, u"--captcha-for"_qs, u"0.3"_qs},
                  kCaptcha},
        BlockCase{"RedirectOnACard",
                  {u"--captcha-after"_qs, u"2"_qs, u"--captcha-for"_qs, u"0.3"_qs},
                  kCaptcha},
        BlockCase{"InlineOnAResultsPage",
                  {u"--captcha-after"_qs, u"4"_qs, u"--captcha-for"_qs, u"0.3"_qs,
                   u"--captcha-style"_qs, u"inline"_qs},
                  kCaptcha},
        BlockCase{"InlineOnACard",
                  {u"--captcha-after"_qs, u"2"_qs, u"--captcha-for"_qs, u"0.3"_qs,
                   u"--captcha-style"_qs, u"inline"_qs},
                  kCaptcha},
        BlockCase{"StatusOnAResultsPage",
                  {u"--captcha-after"_qs, u"4"_qs, u"--captcha-for"_qs, u"0.3"_qs,
                   u"--captcha-style"_qs, u"status"_qs},
                  kTooMany},
        BlockCase{"StatusOnACard",
                  {u"--captcha-after"_qs, u"2"_qs, u"--captcha-for"_qs, u"0.3"_qs,
                   u"--captcha-style"_qs, u"status"_qs},
                  kTooMany},
        BlockCase{"UnrecognisedResultsPage",
                  {u"--unrecognised-at"_qs, u"5"_qs},
                  u" не похожа на страницу объявлений (возможно, Яндекс изменил вёрстку); её копия "
                  u"в ads_list.html. Ждём"_qs},
        // The first card is answered with a notice: no row of empty contacts, the card again.
        BlockCase{"NoticeInPlaceOfACard",
                  {u"--unrecognised-at"_qs, u"2"_qs},
                  u" пришла страница без её признаков (возможно, уведомление Яндекса или новая "
                  u"вёрстка); её копия в ad.html. Ждём"_qs}),
    [](const auto& info) { return std::string(info.param.name); });

// Told to stop at a block, the job saves what it had and says why in its exit status.
TEST(CliBlockStop, EndsTheJobWithTheRowsBeforeTheBlockSaved) {
  DemoEngine engine(kShape + QStringList{u"--captcha-after"_qs, u"4"_qs});
  Sandbox sandbox;
  const CliResult run =
      RunCli(sandbox, JobArguments(sandbox, engine.Origin(), {u"--on-block"_qs, u"stop"_qs}));

  EXPECT_EQ(run.exitCode, 3) << run.err.toStdString() << run.out.toStdString();
  EXPECT_EQ(Count(run.out, u". Останавливаем работу: так задано для блокировок\n"_qs), 1);
  // The first page's three ads are in both files, in the lines the clean job gave them.
  const JobFiles written = FilesOf(sandbox);
  const QList<QByteArray> clean = Clean().results.split('\n');
  EXPECT_EQ(written.results, clean.mid(0, 4).join('\n') + '\n');
  EXPECT_EQ(written.working.count('\n'), 4);
}

}  // namespace
}  // namespace korvath::e2e
