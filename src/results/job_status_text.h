#pragma once

#include "results/job_status.h"

#include <QString>

namespace korvath {

// One line on how far a job has come, for the window's run-state line and the headless status
// line: "Запросы 1/4 · регионы 3/5 · строк 120 · запросов 340 · блокировок 0 · осталось ≈ 5 мин",
// and while the job waits out a block, when it tries again. `regionsBegun` of `regionsTotal` are
// the current query's regions, as its bar counts them.
QString JobStatusText(const JobStatus& status, int regionsBegun, int regionsTotal);

}  // namespace korvath
