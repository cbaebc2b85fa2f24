#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <memory>

#include "engine/job_folders.h"
#include "engine/scraper.h"

namespace korvath {

class JobWindow;

// Starts, holds, releases and stops the one job of a front end; the window and the headless run
// wire their controls to it. Everything here runs on the user-interface thread and never waits for
// the job thread.
class JobControl : public QObject {
  Q_OBJECT

 public:
  explicit JobControl(QObject* parent = nullptr);
  // Abandons a job that is still running.
  ~JobControl() override;

  // Checks the inputs (query lines of `window`, `checkedRegions`) and starts a job unless one is
  // starting or running. Returns whether a job was started. `window` must outlive the job or see
  // Abandon called first. Throws std::runtime_error, starting nothing, when the program folder or
  // the working folder cannot be written, or another job runs in the program folder; the job
  // holds that folder until its thread has ended.
  bool Start(JobWindow& window, const QStringList& checkedRegions, const ScraperConfig& config);
  // Throws, as Start would, when the program folder cannot be written or another job holds it;
  // a job of this control that has ended does not count.
  // Returns what the log is to say of a broken lock taken over, or nothing.
  QString CheckFolderFree(const QString& programFolder) const;
  // Holds a running job or releases a held one.
  void Pause();
  // Releases a held job, asks it to stop and zeroes both bars.
  void Stop();
  // Arms the one-shot resume timer for the job's error pause (15000 ms) unless it is already
  // counting down.
  void StartResumeTimer();
  // The resume timer's handler: disables the timer and releases a held job.
  void ResumeTimerTimer();
  // For closing the front end mid-job: the job never touches the window again and ends on its
  // own, without its finish steps; the program need not wait for it.
  void Abandon();

  // A job exists and has not ended.
  bool JobRunning() const;
  bool JobHeld() const;
  // How the last job ended; only once it has ended.
  const JobEnding* LastEnding() const;
  QTimer& ResumeTimer() { return resumeTimer_; }

 signals:
  // The current job's thread has ended.
  void jobFinished();

 private:
  struct EndNotice;

  std::shared_ptr<EndNotice> endNotice_;
  std::shared_ptr<TScraper> current_;
  JobWindow* window_ = nullptr;
  std::unique_ptr<ProgramFolderLock> folderLock_;
  QTimer resumeTimer_;
};

}  // namespace korvath
