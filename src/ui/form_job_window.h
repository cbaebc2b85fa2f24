#pragma once

#include "results/job_status_text.h"
#include "results/job_window.h"
#include "ui/results_table_model.h"

#include <QString>
#include <QTimer>

#include <atomic>
#include <functional>

class QAbstractButton;
class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QObject;
class QPlainTextEdit;
class QProgressBar;
class QSpinBox;
class QWidget;

namespace korvath {

class JobControl;

// The controls of the main window that a job reaches, seen through the job's interface.
struct JobControls {
  QPlainTextEdit* logsMemo = nullptr;
  QPlainTextEdit* keywordsMemo = nullptr;
  QWidget* regionsTree = nullptr;
  QWidget* startButton = nullptr;
  QCheckBox* limit10CheckBox = nullptr;
  QSpinBox* intervalSpinEdit = nullptr;
  QSpinBox* limitSpinEdit = nullptr;
  QSpinBox* retrySpinEdit = nullptr;
  QProgressBar* progressBar = nullptr;
  QProgressBar* stagesProgressBar = nullptr;
  // The results tab's rows, and the line that says how far the job has come.
  ResultsTableModel* results = nullptr;
  QLabel* runStateLabel = nullptr;
  // The worker count, which a job reads only at its start; and the pause button, which stays
  // down while the job is held.
  QSpinBox* workersSpinEdit = nullptr;
  QAbstractButton* pauseButton = nullptr;
  // Whether the job learns its pace, which it also reads only at its start; and the box that shows
  // the pace in use in the interval box's place while such a job runs.
  QCheckBox* autoIntervalCheckBox = nullptr;
  QDoubleSpinBox* paceSpinEdit = nullptr;
};

// Opens a document in the application that the desktop associates with it; throws, with the
// message for the user, when it cannot.
using DocumentOpener = std::function<void(const QString& path)>;
void OpenWithDesktop(const QString& path);

// What a running job sees of the main window. Hand-offs run on the thread of `uiObject`.
class FormJobWindow : public JobWindow {
 public:
  FormJobWindow(QObject* uiObject, JobControls controls, JobControl& jobControl,
                DocumentOpener openDocument);

  void HandOff(const std::function<void()>& routine) override;

  void AppendLogEntry(const QString& entry) override;
  void ClearLog() override;
  QStringList LogLines() const override;

  void ShowProgress(ProgressBarId bar, int maximum, int position, const QString& hint) override;
  int ProgressMaximum(ProgressBarId bar) const override;
  void ProcessPendingEvents() override;

  void SetInputsEnabled(bool enabled) override;
  void StartResumeTimer() override;
  void OpenDocument(const QString& path) override;

  int IntervalSeconds() const override;
  int RetryCount() const override;
  bool CapEnabled() const override;
  int CapValue() const override;
  int QueryLineCount() const override;
  QString QueryLine(int index) const override;

  void ShowJobStatus(const JobStatus& status) override;
  void RowsAppended(const ResultTable& table) override;
  void RowsWalked(const ResultTable& table, int task, const QList<ResultRow>& rows) override;
  void TaskRowsAppended(const ResultTable& table, int task) override;

  // The user has asked the running job to stop.
  void NoteStopRequested();
  // Shows the run-state line, the bars' hints and the pause button as the job stands now.
  void ShowRunState();

 private:
  QProgressBar& Bar(ProgressBarId bar) const;
  // Puts the pace box in the interval box's place while a job with an automatic pace runs.
  void ShowPaceBox(bool jobStarts);
  void PublishSettings();
  JobPhase Phase() const;

  QObject* uiObject_;
  JobControls controls_;
  JobControl& jobControl_;
  DocumentOpener openDocument_;
  // The bars' own maxima, kept apart because a bar with nothing to count is drawn as 0 of 1.
  BarState regions_;
  BarState stages_;
  JobStatus status_;
  bool jobShown_ = false;
  bool stopRequested_ = false;
  bool ended_ = false;
  // Holds, and the end of a block wait, come without a change of counts.
  QTimer refresh_;
  // The numeric settings as the controls hold them, for the job thread to read.
  std::atomic<int> intervalSeconds_ = 0;
  std::atomic<int> retryCount_ = 0;
  std::atomic<bool> capEnabled_ = false;
  std::atomic<int> capValue_ = 0;
};

}  // namespace korvath
