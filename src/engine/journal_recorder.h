#pragma once

#include <QList>
#include <QString>

#include <memory>
#include <mutex>
#include <optional>

#include "journal/job_journal.h"
#include "results/result_table.h"

namespace korvath {

// The job's side of the journal: a new job's start, each walked results page, the end. A write
// that fails once (a full disk) is reported once, and the journal is not written again in this
// sitting: it keeps its last consistent state, from which a resume fetches the later pages again.
// Every method returns what the log is to say, if anything; the caller says it, holding nothing.
class JournalRecorder {
 public:
  explicit JournalRecorder(std::shared_ptr<JobJournal> journal) : journal_(std::move(journal)) {}

  std::optional<QString> StartJob(const JournalInputs& inputs, const QStringList& firstAddresses);
  std::optional<QString> CommitPage(int task, const QList<ResultRow>& rows,
                                    const TaskProgress& progress);
  std::optional<QString> MarkFinished();

 private:
  bool Broken();
  std::optional<QString> Break(const std::exception& failure, const QString& consequence);

  std::shared_ptr<JobJournal> journal_;
  std::mutex mutex_;
  bool broken_ = false;
};

}  // namespace korvath
