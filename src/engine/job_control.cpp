#include "engine/job_control.h"

#include "results/handle_result.h"
#include "results/job_window.h"
#include "results/progress.h"
#include "results/run_log.h"
#include "results/ui_hand_off.h"

#include <QDir>

namespace korvath {

// Lets a job's thread tell job control that it has ended, for as long as job control exists.
// Read and cleared on the user-interface thread only.
struct JobControl::EndNotice {
  JobControl* control = nullptr;
};

namespace {

bool HasNonBlankCharacter(const QString& line) {
  for (const QChar c : line) {
    if (c.unicode() > u' ') {
      return true;
    }
  }
  return false;
}

// Whether the query list, taken as one text, is more than blanks and control characters.
bool HasQueries(const JobWindow& window) {
  const int count = window.QueryLineCount();
  for (int line = 0; line < count; ++line) {
    if (HasNonBlankCharacter(window.QueryLine(line))) {
      return true;
    }
  }
  return false;
}

}  // namespace

JobControl::JobControl(QObject* parent)
    : QObject(parent), endNotice_(std::make_shared<EndNotice>()) {
  endNotice_->control = this;
  resumeTimer_.setSingleShot(true);
  resumeTimer_.setInterval(int(kErrorPauseLength.count()));
  connect(&resumeTimer_, &QTimer::timeout, this, &JobControl::ResumeTimerTimer);
}

JobControl::~JobControl() {
  endNotice_->control = nullptr;
  Abandon();
}

bool JobControl::Start(JobWindow& window, const QStringList& checkedRegions,
                       const ScraperConfig& config) {
  // The window locks Start only once the job's start state has been shown; until then a second
  // click must not make a second job.
  if (JobRunning()) {
    return false;
  }
  if (!HasQueries(window)) {
    window.AppendLogEntry(
        u"Задайте список запросов! Пример: \r\nтруба бесшовная\r\nгазовые счетчики\r\n"_qs);
    return false;
  }
  if (checkedRegions.isEmpty()) {
    window.AppendLogEntry(u"Ни один регион не отмечен! Поставьте галочки на нужных регионах."_qs);
    return false;
  }
  CheckFolderWritable(config.programFolder, true);
  CheckFolderWritable(config.workingFolder.isEmpty() ? QDir::currentPath() : config.workingFolder,
                      false);
  // The lock of a job that has shown its end but whose thread has not yet ended carries over.
  if (!folderLock_ || folderLock_->Folder() != config.programFolder) {
    folderLock_.reset();
    folderLock_ = std::make_unique<ProgramFolderLock>(config.programFolder);
  }
  resumeTimer_.setInterval(int(config.errorPause.count()));
  auto job = std::make_shared<TScraper>(window, checkedRegions, config);
  job->Start([notice = endNotice_, uiThread = thread()] {
    // Job control may be gone by the time this runs; it is looked up on its own thread, where it
    // would have been destroyed.
    QueuedHandOff(uiThread, [notice] {
      JobControl* control = notice->control;
      if (control == nullptr) {
        return;
      }
      if (!control->JobRunning()) {
        control->folderLock_.reset();
      }
      emit control->jobFinished();
    });
  });
  current_ = std::move(job);
  window_ = &window;
  return true;
}

QString JobControl::CheckFolderFree(const QString& programFolder) const {
  return korvath::CheckFolderFree(programFolder, folderLock_.get());
}

void JobControl::Pause() {
  if (!JobRunning()) {
    return;
  }
  if (current_->Hold().IsHeld()) {
    current_->Hold().Release();
    AddLogLine(*window_, u"Отключаем паузу, продолжаем работу"_qs);
  } else {
    current_->Hold().Hold();
    AddLogLine(*window_, u"Включаем паузу"_qs);
  }
}

void JobControl::Stop() {
  if (!JobRunning()) {
    return;
  }
  // The stop flag goes up before the hold is lifted, so the job takes no further step.
  current_->RequestStop();
  current_->Hold().Release();
  AddLogLine(*window_, u"Останавливаем работу"_qs);
  for (const ProgressBarId bar : {ProgressBarId::Regions, ProgressBarId::Stages}) {
    const int maximum = window_->ProgressMaximum(bar);
    window_->ShowProgress(bar, maximum, 0, ProgressHint(0, maximum));
  }
}

void JobControl::StartResumeTimer() {
  if (!resumeTimer_.isActive()) {
    resumeTimer_.start();
  }
}

void JobControl::ResumeTimerTimer() {
  resumeTimer_.stop();
  if (JobRunning() && current_->Hold().IsHeld()) {
    current_->Hold().Release();
    AddLogLine(*window_, u"Отключаем паузу, продолжаем работу"_qs);
  }
}

void JobControl::Abandon() {
  resumeTimer_.stop();
  if (current_) {
    current_->Abandon();
  }
  current_.reset();
  window_ = nullptr;
  // A job cut off writes nothing more.
  folderLock_.reset();
}

bool JobControl::JobRunning() const { return current_ && !current_->Ended(); }

const JobEnding* JobControl::LastEnding() const {
  return current_ && current_->Ended() ? &current_->Ending() : nullptr;
}

bool JobControl::JobHeld() const { return JobRunning() && current_->Hold().IsHeld(); }

}  // namespace korvath
