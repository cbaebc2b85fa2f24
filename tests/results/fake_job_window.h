#pragma once

#include "results/job_window.h"

#include <vector>

namespace korvath {

// Records what the routines do to the window.
class FakeJobWindow : public JobWindow {
 public:
  struct Shown {
    ProgressBarId bar;
    int maximum;
    int position;
    QString hint;
  };

  void HandOff(const std::function<void()>& routine) override { routine(); }
  void AppendLogEntry(const QString& entry) override { entries.append(entry); }
  void ClearLog() override { entries.clear(); }
  QStringList LogLines() const override { return entries; }
  void ShowProgress(ProgressBarId bar, int maximum, int position, const QString& hint) override {
    shown.push_back({bar, maximum, position, hint});
    events.append(u"show"_qs);
  }
  int ProgressMaximum(ProgressBarId) const override { return 0; }
  void ProcessPendingEvents() override { events.append(u"process"_qs); }
  void SetInputsEnabled(bool enabled) override {
    events.append(enabled ? u"enable"_qs : u"disable"_qs);
  }
  void StartResumeTimer() override { ++timerStarts; }
  void OpenDocument(const QString& path) override { opened.append(path); }
  int IntervalSeconds() const override { return 0; }
  int RetryCount() const override { return 0; }
  bool CapEnabled() const override { return false; }
  int CapValue() const override { return 0; }
  int QueryLineCount() const override { return 0; }
  QString QueryLine(int) const override { return {}; }

  // The log entries without their time stamps (everything up to the first ": ").
  QStringList Messages() const {
    QStringList messages;
    for (const QString& entry : entries) messages.append(entry.mid(entry.indexOf(u": ") + 2));
    return messages;
  }

  QStringList entries;
  std::vector<Shown> shown;
  QStringList events;
  int timerStarts = 0;
  QStringList opened;
};

}  // namespace korvath
