#pragma once

#include "results/job_window.h"

#include <QDateTime>
#include <QString>

namespace korvath {

// The system locale's short date, a space and its long time.
QString LogTimestamp(const QDateTime& local);

// The current timestamp, ": " and the message.
QString LogLine(const QString& message);

// Appends LogLine(message) to the log box.
void AddLogLine(JobWindow& window, const QString& message);

// Start state (cursorHourGlass true) or finish state of a run, including the log file at the
// finish.
void UpdateRunState(JobWindow& window, bool cursorHourGlass, const QString& programFolder);

// Milliseconds since the system started, wrapping at 32 bits.
quint32 TickCount32();

// "log-%d.txt" with the tick read as a signed 32-bit number.
QString LogFileName(quint32 tick);

}  // namespace korvath
