#include "ui/form_job_window.h"

#include "engine/job_control.h"
#include "results/job_status_text.h"
#include "results/time_left.h"
#include "results/ui_hand_off.h"
#include "ui/memo_lines.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QSpinBox>
#include <QUrl>

namespace korvath {

void OpenWithDesktop(const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }

FormJobWindow::FormJobWindow(QObject* uiObject, JobControls controls, JobControl& jobControl,
                             DocumentOpener openDocument)
    : uiObject_(uiObject),
      controls_(controls),
      jobControl_(jobControl),
      openDocument_(std::move(openDocument)) {
  PublishSettings();
  const auto publish = [this] { PublishSettings(); };
  QObject::connect(controls_.intervalSpinEdit, &QSpinBox::valueChanged, uiObject_, publish);
  QObject::connect(controls_.retrySpinEdit, &QSpinBox::valueChanged, uiObject_, publish);
  QObject::connect(controls_.limitSpinEdit, &QSpinBox::valueChanged, uiObject_, publish);
  QObject::connect(controls_.limit10CheckBox, &QCheckBox::toggled, uiObject_, publish);
}

void FormJobWindow::PublishSettings() {
  intervalSeconds_ = controls_.intervalSpinEdit->value();
  retryCount_ = controls_.retrySpinEdit->value();
  capEnabled_ = controls_.limit10CheckBox->isChecked();
  capValue_ = controls_.limitSpinEdit->value();
}

void FormJobWindow::HandOff(const std::function<void()>& routine) {
  BlockingHandOff(uiObject_, routine);
}

void FormJobWindow::AppendLogEntry(const QString& entry) {
  // The job writes its line breaks as CR LF; the box keeps one line per paragraph.
  QString text = entry;
  text.replace(u"\r\n"_qs, u"\n"_qs).replace(u'\r', u'\n');
  controls_.logsMemo->appendPlainText(text);
  QScrollBar& scroll = *controls_.logsMemo->verticalScrollBar();
  scroll.setValue(scroll.maximum());
}

void FormJobWindow::ClearLog() { controls_.logsMemo->clear(); }

QStringList FormJobWindow::LogLines() const { return MemoLines(*controls_.logsMemo); }

void FormJobWindow::ShowProgress(ProgressBarId bar, int maximum, int position,
                                 const QString& hint) {
  (bar == ProgressBarId::Regions ? regionsMaximum_ : stagesMaximum_) = maximum;
  QProgressBar& widget = Bar(bar);
  // A bar whose range is 0..0 shows a busy animation; a bar with nothing to count is empty.
  widget.setMaximum(std::max(maximum, 1));
  widget.setValue(position);
  (bar == ProgressBarId::Regions ? regionsHint_ : stagesHint_) = hint;
  if (bar == ProgressBarId::Regions) regionsPosition_ = position;
  ShowHint(bar);
}

void FormJobWindow::ShowHint(ProgressBarId bar) {
  const QString& hint = bar == ProgressBarId::Regions ? regionsHint_ : stagesHint_;
  Bar(bar).setToolTip(timeLeft_.isEmpty() ? hint : hint + u'\n' + timeLeft_);
}

void FormJobWindow::ShowJobStatus(const JobStatus& status) {
  const QString timeLeft = TimeLeftText(status.elapsed, status.tasksDone, status.tasksTotal);
  if (timeLeft != timeLeft_) {
    timeLeft_ = timeLeft;
    ShowHint(ProgressBarId::Regions);
    ShowHint(ProgressBarId::Stages);
  }
  if (controls_.runStateLabel)
    controls_.runStateLabel->setText(JobStatusText(status, regionsPosition_, regionsMaximum_));
}

void FormJobWindow::RowsAppended(const ResultTable& table) {
  if (controls_.results) controls_.results->RowsAppended(table);
}

int FormJobWindow::ProgressMaximum(ProgressBarId bar) const {
  return bar == ProgressBarId::Regions ? regionsMaximum_ : stagesMaximum_;
}

void FormJobWindow::ProcessPendingEvents() { QApplication::processEvents(); }

void FormJobWindow::SetInputsEnabled(bool enabled) {
  controls_.keywordsMemo->setEnabled(enabled);
  controls_.regionsTree->setEnabled(enabled);
  controls_.startButton->setEnabled(enabled);
  controls_.limit10CheckBox->setEnabled(enabled);
}

void FormJobWindow::StartResumeTimer() { jobControl_.StartResumeTimer(); }

void FormJobWindow::OpenDocument(const QString& path) { openDocument_(path); }

int FormJobWindow::IntervalSeconds() const { return intervalSeconds_; }

int FormJobWindow::RetryCount() const { return retryCount_; }

bool FormJobWindow::CapEnabled() const { return capEnabled_; }

int FormJobWindow::CapValue() const { return capValue_; }

int FormJobWindow::QueryLineCount() const { return MemoLineCount(*controls_.keywordsMemo); }

QString FormJobWindow::QueryLine(int index) const {
  return MemoLine(*controls_.keywordsMemo, index);
}

QProgressBar& FormJobWindow::Bar(ProgressBarId bar) const {
  return bar == ProgressBarId::Regions ? *controls_.progressBar : *controls_.stagesProgressBar;
}

}  // namespace korvath
