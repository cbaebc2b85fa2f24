#pragma once

#include <QDateTime>

#include <chrono>
#include <optional>

namespace korvath {

// How far a job has come, as a front end shows it beside the two bars: handed to the
// user-interface thread whenever one of its counts changes.
struct JobStatus {
  // Queries whose (query, region) tasks are all finished, of the non-empty query lines.
  int queriesDone = 0;
  int queriesTotal = 0;
  // Finished (query, region) tasks of all tasks.
  int tasksDone = 0;
  int tasksTotal = 0;
  // Rows collected, those that wait for an earlier task before they enter the table included.
  qint64 rows = 0;
  // Results pages and contact cards asked for, and how many answers were blocks.
  qint64 requests = 0;
  int blocks = 0;
  // Since the job began.
  std::chrono::milliseconds elapsed{0};
  // While the job waits out a block: when it will try again (local time); null otherwise.
  QDateTime blockWaitUntil;
  // Workers walking the tasks. With more than one the regions bar counts finished tasks of all
  // tasks and the queries bar finished queries, and the line and the hints say so.
  int workers = 1;
  // The pause between requests the job has learned, of the address that answered last; none when
  // the pace is fixed.
  std::optional<std::chrono::milliseconds> pace;
};

}  // namespace korvath
