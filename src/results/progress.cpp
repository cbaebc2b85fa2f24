#include "results/progress.h"

#include <algorithm>

namespace korvath {
namespace {

// A bar's minimum is 0; the maximum is taken first, then the position is kept within both.
void ShowClamped(JobWindow& window, ProgressBarId bar, int maximum, int position) {
  const int clampedMaximum = std::max(maximum, 0);
  const int clampedPosition = std::clamp(position, 0, clampedMaximum);
  window.ShowProgress(bar, clampedMaximum, clampedPosition,
                      ProgressHint(clampedPosition, clampedMaximum));
}

}  // namespace

QString ProgressHint(int position, int maximum) {
  return QString::asprintf("%d из %d, осталось %d", position, maximum, maximum - position);
}

void UpdateProgressBar(JobWindow& window, int maximum, int position) {
  ShowClamped(window, ProgressBarId::Regions, maximum, position);
  window.ProcessPendingEvents();
}

void UpdateStagesProgressBar(JobWindow& window, int maximum, int position) {
  ShowClamped(window, ProgressBarId::Stages, maximum, position);
}

}  // namespace korvath
