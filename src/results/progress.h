#pragma once

#include "results/job_window.h"

#include <QString>

namespace korvath {

// "<position> из <maximum>, осталось <maximum - position>".
QString ProgressHint(int position, int maximum);

// Shows the regions bar with clamped values and its hint, then lets queued user actions run.
void UpdateProgressBar(JobWindow& window, int maximum, int position);

// Shows the stages bar the same way, without processing events.
void UpdateStagesProgressBar(JobWindow& window, int maximum, int position);

}  // namespace korvath
