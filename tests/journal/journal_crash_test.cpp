#include "sample_job.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>

namespace korvath {
namespace {

using journal_test::OpenTestJournal;
using journal_test::SamplePageCount;

// Runs in a child process: goes on with the sample job from where the journal stands, as a
// resumed job would. It commits a page for each byte that arrives on `in`, and after each
// commit that returned writes the count of pages committed so far to `out`, one line each.
[[noreturn]] void CommitWhenTold(const QString& folder, int in, int out) {
  try {
    QString setAside;
    auto journal = OpenTestJournal(folder, &setAside);
    if (!setAside.isEmpty()) {
      std::fprintf(stderr, "%s\n", setAside.toStdString().c_str());
      _exit(3);
    }
    if (!journal->HasJob())
      journal->StartJob(journal_test::SampleJobInputs(), journal_test::SampleFirstAddresses());
    for (int page = journal_test::NextSamplePage(journal->Progress());
         page >= 0 && page < SamplePageCount(); ++page) {
      char go = 0;
      if (read(in, &go, 1) != 1) _exit(4);
      const journal_test::SamplePage sample = journal_test::SamplePageAt(page);
      journal->CommitPage(sample.task, sample.rows, sample.progress);
      const std::string line = std::to_string(page + 1) + '\n';
      if (write(out, line.data(), line.size()) != static_cast<ssize_t>(line.size())) _exit(4);
    }
    _exit(0);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    _exit(2);
  }
}

// Lets the commit under way run for a random part of its length.
void SpinFor(std::chrono::microseconds span) {
  const auto end = std::chrono::steady_clock::now() + span;
  while (std::chrono::steady_clock::now() < end) {
  }
}

// How many pages of the sample job the journal holds, checking that it holds exactly those:
// their rows in order and every task's progress after them.
int CheckJournalHoldsAWholeNumberOfPages(const QString& folder) {
  QString setAside;
  auto journal = OpenTestJournal(folder, &setAside);
  EXPECT_EQ(setAside, QString());
  if (!journal->HasJob()) return 0;
  const QList<TaskProgress> progress = journal->Progress();
  const int next = journal_test::NextSamplePage(progress);
  const int pages = next < 0 ? SamplePageCount() : next;
  EXPECT_EQ(progress, journal_test::SampleProgressAfter(pages));
  EXPECT_EQ(journal->Rows(), journal_test::SampleRowsAfter(pages));
  return pages;
}

// A committer is killed at random moments: while it starts the job, inside a commit, right
// after one. Each time the journal holds every page whose commit returned, at most the one in
// flight besides, and nothing half written; the next committer goes on from there.
TEST(JournalCrash, KilledCommitterLosesNoReturnedPageAndHalfWritesNothing) {
  QTemporaryDir folder;
  const unsigned seed = std::random_device()();
  SCOPED_TRACE(testing::Message() << "seed " << seed);
  std::mt19937 random(seed);
  constexpr int kKills = 16;
  int reported = 0;
  for (int round = 0; round <= kKills; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    int toChild[2];
    int fromChild[2];
    ASSERT_EQ(pipe(toChild), 0);
    ASSERT_EQ(pipe(fromChild), 0);
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
      close(toChild[1]);
      close(fromChild[0]);
      CommitWhenTold(folder.path(), toChild[0], fromChild[1]);
    }
    close(toChild[0]);
    close(fromChild[1]);

    // The child may commit one page more than the parent waits for: it is killed in that
    // page's commit or just after it. The last round is left to finish the job.
    const bool last = round == kKills;
    const int waitFor = last ? SamplePageCount() : static_cast<int>(random() % 6);
    const std::string go(last ? SamplePageCount() : waitFor + 1, 'g');
    ASSERT_EQ(write(toChild[1], go.data(), go.size()), static_cast<ssize_t>(go.size()));
    FILE* lines = fdopen(fromChild[0], "r");
    char line[32];
    for (int count = 0; count < waitFor && std::fgets(line, sizeof line, lines) != nullptr; ++count)
      reported = std::atoi(line);
    if (!last) {
      SpinFor(std::chrono::microseconds(random() % 100));
      kill(child, SIGKILL);
    }
    // Open until the kill, so that a child that used up its pages waits for more.
    close(toChild[1]);
    while (std::fgets(line, sizeof line, lines) != nullptr) reported = std::atoi(line);
    std::fclose(lines);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    ASSERT_TRUE(killed || (WIFEXITED(status) && WEXITSTATUS(status) == 0)) << status;

    const int held = CheckJournalHoldsAWholeNumberOfPages(folder.path());
    EXPECT_TRUE(held == reported || (killed && held == reported + 1))
        << "held " << held << ", reported " << reported;
    reported = held;
  }
  EXPECT_EQ(reported, SamplePageCount());
}

// How the child of FullDiskRefusesThePageWholeAndKeepsTheRest ended.
enum FullDiskOutcome {
  kJournalKeptEveryCommittedPage = 0,
  kCannotMount,
  kNoCommitFailed,
  kNoPageFitted,
  kJournalUnreadable,
  kJournalChanged,
};

// Commits pages into a journal on a small tmpfs until the disk is full, then checks what a
// reopened journal holds. Runs in a child process, in a mount namespace of its own.
FullDiskOutcome CommitOnFullDisk(const QString& folder) {
  const QByteArray path = folder.toLocal8Bit();
  if (unshare(CLONE_NEWNS) != 0 ||
      mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      mount("tmpfs", path.constData(), "tmpfs", 0, "size=160k") != 0)
    return kCannotMount;
  int committed = 0;
  try {
    QString setAside;
    auto journal = OpenTestJournal(folder, &setAside);
    journal->StartJob(journal_test::SampleJobInputs(), journal_test::SampleFirstAddresses());
    journal_test::CommitSamplePages(*journal, 0, [&](int pages) { committed = pages; });
    return kNoCommitFailed;
  } catch (const std::runtime_error&) {
    if (committed == 0) return kNoPageFitted;
  }
  try {
    QString setAside;
    auto journal = OpenTestJournal(folder, &setAside);
    if (!setAside.isEmpty()) return kJournalUnreadable;
    return journal->Rows() == journal_test::SampleRowsAfter(committed) &&
                   journal->Progress() == journal_test::SampleProgressAfter(committed)
               ? kJournalKeptEveryCommittedPage
               : kJournalChanged;
  } catch (const std::runtime_error&) {
    return kJournalUnreadable;
  }
}

TEST(JournalCrash, FullDiskRefusesThePageWholeAndKeepsTheRest) {
  QTemporaryDir folder;
  const pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) _exit(CommitOnFullDisk(folder.path()));
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << status;
  if (WEXITSTATUS(status) == kCannotMount) {
    GTEST_SKIP() << "cannot mount a tmpfs in a namespace of its own (needs root or CAP_SYS_ADMIN)";
  }
  EXPECT_EQ(WEXITSTATUS(status), kJournalKeptEveryCommittedPage);
}

}  // namespace
}  // namespace korvath
