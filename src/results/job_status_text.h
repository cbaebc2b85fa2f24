#pragma once

#include "results/job_status.h"

#include <QDateTime>
#include <QString>

#include <chrono>

namespace korvath {

// Where a job stands as its front end sees it: the job's counts say how far it has come, this says
// whether it still moves.
enum class JobPhase {
  Running,
  // Held by the pause button or an error pause.
  Held,
  // Asked to stop, not yet ended.
  Stopping,
  Ended,
  // Ended after a stop.
  Stopped,
};

// A bar as it stands: position and maximum, both clamped (see progress.h).
struct BarState {
  int position = 0;
  int maximum = 0;
};

struct JobView {
  JobStatus status;
  // The regions bar and the queries bar.
  BarState regions;
  BarState stages;
  JobPhase phase = JobPhase::Running;
  // For the block wait, which is only shown until its time.
  QDateTime now;
};

struct JobTexts {
  // "Запрос 1 из 4 · регион 3 из 5 · строк 120 · обращений 340 · блокировок 0 · до конца ≈ 5 мин",
  // with the phase in front ("На паузе", "Сбор остановлен", ...) and, while a block is waited out,
  // when the job tries again.
  QString line;
  // The bars' hints: what the bar counts, its "<position> из <maximum>, осталось <n>" and, while
  // the job runs, the time left.
  QString regionsHint;
  QString stagesHint;
};

// The line counts what the bars count: with one worker the regions of the current query and the
// queries begun, with several the finished tasks and the queries whose rows are all in. An ended
// job's bars stand at 0, so its line gives the totals alone.
JobTexts JobStatusTexts(const JobView& view);

// "1,4 с": the pause between requests as the log and the run-state line show it.
QString PaceText(std::chrono::milliseconds pace);

}  // namespace korvath
