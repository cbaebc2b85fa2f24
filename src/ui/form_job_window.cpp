#include "ui/form_job_window.h"

#include "engine/job_control.h"
#include "platform/shell_open.h"
#include "results/job_status_text.h"
#include "results/ui_hand_off.h"
#include "ui/log_follow.h"
#include "ui/memo_lines.h"
#include "ui/message_box.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSpinBox>

#include <chrono>
#include <stdexcept>
#include <utility>

namespace korvath {

namespace {

constexpr char16_t kDocumentNotOpened[] =
    u"Не удалось открыть файл \"%1\": не найдена программа для его просмотра.";
constexpr std::chrono::milliseconds kRefreshInterval(500);

}  // namespace

void OpenWithDesktop(const QString& path) {
  if (!OpenWithSystem(path)) {
    throw std::runtime_error(
        QString::fromUtf16(kDocumentNotOpened).arg(QDir::toNativeSeparators(path)).toStdString());
  }
}

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
  refresh_.setInterval(kRefreshInterval);
  QObject::connect(&refresh_, &QTimer::timeout, uiObject_, [this] { ShowRunState(); });
  if (controls_.pauseButton) controls_.pauseButton->setCheckable(true);
  ShowRunState();
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
  AppendFollowingEnd(*controls_.logsMemo, text);
}

void FormJobWindow::ClearLog() { controls_.logsMemo->clear(); }

QStringList FormJobWindow::LogLines() const { return MemoLines(*controls_.logsMemo); }

void FormJobWindow::ShowProgress(ProgressBarId bar, int maximum, int position,
                                 const QString& /*hint*/) {
  (bar == ProgressBarId::Regions ? regions_ : stages_) = {position, maximum};
  QProgressBar& widget = Bar(bar);
  // A bar whose range is 0..0 shows a busy animation; a bar with nothing to count is empty.
  widget.setMaximum(std::max(maximum, 1));
  widget.setValue(position);
  ShowRunState();
}

void FormJobWindow::ShowJobStatus(const JobStatus& status) {
  status_ = status;
  if (status.pace && controls_.paceSpinEdit) {
    controls_.paceSpinEdit->setValue(double(status.pace->count()) / 1000);
  }
  ShowRunState();
}

void FormJobWindow::ShowPaceBox(bool jobStarts) {
  QDoubleSpinBox* pace = controls_.paceSpinEdit;
  if (!pace) return;
  // The interval box keeps what the user set: the pause the next job starts from.
  const bool shown =
      jobStarts && controls_.autoIntervalCheckBox && controls_.autoIntervalCheckBox->isChecked();
  if (shown) pace->setValue(controls_.intervalSpinEdit->value());
  pace->setVisible(shown);
  controls_.intervalSpinEdit->setVisible(!shown);
}

JobPhase FormJobWindow::Phase() const {
  if (ended_) return stopRequested_ ? JobPhase::Stopped : JobPhase::Ended;
  if (stopRequested_) return JobPhase::Stopping;
  return jobControl_.JobHeld() ? JobPhase::Held : JobPhase::Running;
}

void FormJobWindow::ShowRunState() {
  const JobTexts texts =
      JobStatusTexts({status_, regions_, stages_, Phase(), QDateTime::currentDateTime()});
  if (QLabel* label = controls_.runStateLabel; label && jobShown_) {
    // A line longer than the room loses its end, never its beginning; the hint keeps it whole.
    label->setText(label->fontMetrics().elidedText(texts.line, Qt::ElideRight, label->width()));
    label->setToolTip(texts.line);
  }
  // The counts change with every row; a hint only now and then.
  for (auto [bar, hint] : {std::pair{controls_.progressBar, &texts.regionsHint},
                           std::pair{controls_.stagesProgressBar, &texts.stagesHint}}) {
    if (bar->toolTip() != *hint) bar->setToolTip(*hint);
  }
  if (controls_.pauseButton) controls_.pauseButton->setChecked(jobControl_.JobHeld());
}

void FormJobWindow::NoteStopRequested() {
  if (!jobShown_ || ended_) return;
  stopRequested_ = true;
  ShowRunState();
}

void FormJobWindow::RowsAppended(const ResultTable& table) {
  if (controls_.results) controls_.results->RowsAppended(table);
}

void FormJobWindow::RowsWalked(const ResultTable& table, int task, const QList<ResultRow>& rows) {
  if (controls_.results) controls_.results->RowsWalked(table, task, rows);
}

void FormJobWindow::TaskRowsAppended(const ResultTable& table, int task) {
  if (controls_.results) controls_.results->TaskRowsAppended(table, task);
}

int FormJobWindow::ProgressMaximum(ProgressBarId bar) const {
  return (bar == ProgressBarId::Regions ? regions_ : stages_).maximum;
}

void FormJobWindow::ProcessPendingEvents() { QApplication::processEvents(); }

void FormJobWindow::SetInputsEnabled(bool enabled) {
  controls_.keywordsMemo->setEnabled(enabled);
  controls_.regionsTree->setEnabled(enabled);
  controls_.startButton->setEnabled(enabled);
  controls_.limit10CheckBox->setEnabled(enabled);
  if (controls_.workersSpinEdit) controls_.workersSpinEdit->setEnabled(enabled);
  if (controls_.autoIntervalCheckBox) controls_.autoIntervalCheckBox->setEnabled(enabled);
  ShowPaceBox(!enabled);
  // The start state begins a job's line, the finish state ends it.
  if (!enabled) {
    status_ = {};
    jobShown_ = true;
    stopRequested_ = false;
    ended_ = false;
    refresh_.start();
  } else {
    ended_ = true;
    refresh_.stop();
  }
  ShowRunState();
}

void FormJobWindow::StartResumeTimer() { jobControl_.StartResumeTimer(); }

void FormJobWindow::OpenDocument(const QString& path) {
  try {
    openDocument_(path);
  } catch (const std::exception& error) {
    // The job waits for this hand-off; the box is shown once it has gone on.
    const QString text = QString::fromUtf8(error.what());
    QTimer::singleShot(0, uiObject_, [this, text] {
      ShowMessage(qobject_cast<QWidget*>(uiObject_), QString::fromUtf16(kBoxCaption), text);
    });
  }
}

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
