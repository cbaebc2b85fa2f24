#pragma once

#include <QString>

#include <chrono>

namespace korvath {

// How long the rest of a job will take at the pace of its finished (query, region) tasks so far:
// "до конца ≈ 2 ч 10 мин", "до конца ≈ 45 мин", "до конца меньше минуты" ("осталось" is the
// bars' count of items). Empty until a task has finished, and once every task has.
QString TimeLeftText(std::chrono::milliseconds elapsed, int tasksDone, int tasksTotal);

}  // namespace korvath
