#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "engine/card_parse.h"
#include "engine/route.h"
#include "journal/job_journal.h"
#include "results/result_table.h"

namespace korvath {

class JobContext;

// Where a walk puts what it collects: each ad's row as it is recorded, and each results page once
// its ads are walked, with its rows and where the task then stands.
class RowSink {
 public:
  virtual ~RowSink() = default;
  virtual void Row(const ResultRow& row) = 0;
  virtual void PageWalked(int task, QList<ResultRow> rows, const TaskProgress& progress) = 0;
};

// One (query, region) task walked from where it stands to its last results page: the results
// pages with their attempt loop, the ads with their cap, the contact cards with theirs. It asks
// for pages only through its route and hands rows only to its sink.
class TaskWalk {
 public:
  // `worker` numbers the log lines when several workers run (0: the job's only walker).
  TaskWalk(JobContext& context, Route& route, RowSink& sink, int worker);

  // Walks task number `task` of `query` in `regionName` from `from`.
  void Walk(int task, const QString& query, const QString& regionName, const TaskProgress& from);

 private:
  using Milliseconds = std::chrono::milliseconds;

  void ResultsPageStep();
  bool ResultsPageAttempt(int& downloads);
  void AdWalk();
  CardValues CardStep(const QString& cardLink, const QString& positionText, const QString& title,
                      Milliseconds interval);
  CardValues CardAttempt(const QString& cardLink);
  void Request(const QString& address);
  void CheckPage(const QString& text, AnswerKind kind);
  void MeetBlock(const Block& block, const QString& address);
  void CountFailure(const QString& message);
  void CountUnreachable(const QString& message);
  void AnswerCame();
  void PageDone(bool done);
  void WriteRaw(const QString& fileName) const;
  void Log(const QString& message);

  JobContext& context_;
  Route& route_;
  RowSink& sink_;
  const int worker_;

  QByteArray receiveBuffer_;
  int task_ = -1;
  QString query_;
  QString regionName_;
  QString currentAddress_;
  QString savedAddress_;
  // Where the current results page came from, after redirects: relative card links start there.
  UrlParts pageUrl_;
  QString pageText_;
  int positionCounter_ = 0;
  int capCounter_ = 0;
  QList<ResultRow> pageRows_;
  // Failed attempts in a row on the current results page or card.
  int failuresInRow_ = 0;
};

}  // namespace korvath
