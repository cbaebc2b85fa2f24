#pragma once

#include "journal/job_journal.h"

#include <QList>

#include <chrono>
#include <memory>

namespace korvath {

// Field by field, for comparing what a journal gives back.
bool operator==(const ResultRow& a, const ResultRow& b);

}  // namespace korvath

namespace korvath::journal_test {

// A job of many tasks with a known walk: task t has PageCount(t) results pages, each giving a
// known number of rows (some none). Its pages are committed task after task, page after page,
// so "the first n pages" says exactly what a journal must hold after n commits.
int SampleTaskCount();
int SamplePageCount();  // of the whole job
JournalInputs SampleJobInputs();
QStringList SampleFirstAddresses();

// The n-th page of the whole job (0-based): its task, rows and the task's progress after it.
struct SamplePage {
  int task = 0;
  QList<ResultRow> rows;
  TaskProgress progress;
};
SamplePage SamplePageAt(int page);
// The page a journal holding the first `pages` pages goes on with: -1 when the job is walked.
int NextSamplePage(const QList<TaskProgress>& progress);

// What the journal holds after the first `pages` pages of the job were committed.
QList<ResultRow> SampleRowsAfter(int pages);
QList<TaskProgress> SampleProgressAfter(int pages);

// Commits every page of the job from `first` on, calling `committed(n)` with the count of pages
// committed so far after each commit returns.
template <typename Committed>
void CommitSamplePages(JobJournal& journal, int first, Committed&& committed) {
  for (int page = first; page < SamplePageCount(); ++page) {
    const SamplePage sample = SamplePageAt(page);
    journal.CommitPage(sample.task, sample.rows, sample.progress);
    committed(page + 1);
  }
}

// Opens the journal of `folder` with a short busy wait, as tests want.
std::unique_ptr<JobJournal> OpenTestJournal(const QString& folder, QString* setAside);

}  // namespace korvath::journal_test
