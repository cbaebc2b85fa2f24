#pragma once

#include "engine/engine_origin.h"
#include "engine/job_control.h"
#include "engine/scraper.h"
#include "inputs/region_tree_model.h"
#include "journal/job_journal.h"
#include "textutil/text_file.h"
#include "ui/form_job_window.h"
#include "ui/log_tabs.h"

#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QDoubleSpinBox;
class QLabel;
class QMenu;
class QAction;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace korvath {

enum class InterruptedJobAnswer;
class RegionTreeView;
class WrappingCheckBox;

// Starts a job through job control and says whether it started.
using JobStarter =
    std::function<bool(JobControl& control, JobWindow& window, const QStringList& checkedRegions,
                       const ScraperConfig& config)>;

struct MainFormOptions {
  // Every file of the program lives here.
  QString programFolder;
  // Scheme and host of the search engine.
  QString engineOrigin = kDefaultEngineOrigin.toString();
  // Whether the TLS library can be initialised; the real test unless replaced.
  std::function<bool()> tlsAvailable;
  // Opens the results file when a job is done; the desktop unless replaced. Throws when the file
  // cannot be opened.
  DocumentOpener openDocument;
  // Opens a site or an e-mail of the results tab; the desktop unless replaced. Throws when the
  // address cannot be opened.
  UrlOpener openUrl;
  // Shows the program folder in a file manager; the desktop's unless replaced. Throws when the
  // folder cannot be shown.
  DocumentOpener openFolder;
  // JobControl::Start unless replaced.
  JobStarter startJob;
};

// The program's one window: the inputs of a run, its commands, its log and its progress.
class TMainForm : public QWidget {
  Q_OBJECT

 public:
  explicit TMainForm(MainFormOptions options, QWidget* parent = nullptr);
  ~TMainForm() override;

  // Runs the start-up sequence on the first showing. When a location check fails the window
  // stays hidden and StartupRefused() becomes true: the program is to end.
  void setVisible(bool visible) override;
  bool StartupRefused() const { return startupRefused_; }
  // Whether closing the window cut a running job off; it may still be inside a request.
  bool JobCutOffAtClose() const { return jobCutOffAtClose_; }

  RegionTreeModel& Regions() { return regions_; }
  JobControl& Jobs() { return jobControl_; }
  const QStringList& CheckedRegionsList() const { return checkedRegionsList_; }

  void StartButtonClick();
  void StopButtonClick();
  void PauseButtonClick();
  void OpenFolderButtonClick();
  void SelectAllButtonClick();
  void Button1Click();
  void Button2Click();
  void N1Click();
  void N2Click();
  void CheckNested(RegionNode node, bool state);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void WireControls();
  void LayOutControls();
  bool FormShow();
  bool FormClose();
  // Asks the user whether the journal's interrupted job is to go on.
  InterruptedJobAnswer AskToResume(const JournalSummary& interrupted);
  // Puts what the journal's job runs with into the controls, so that the user sees it.
  void ShowJobInputs(const JournalInputs& inputs);
  // Says in the log that `file`, read from `path`, was taken as Windows-1251.
  void LogWindows1251(const TextFileLines& file, const QString& path);
  // Selects the whole query list on Ctrl+A; returns whether it took the key.
  bool KeywordsMemoKeyDown(QKeyEvent* event);
  // Runs a handler; an error that escapes it is shown and the handler's remaining steps skipped.
  bool RunHandler(const std::function<void()>& handler);

  MainFormOptions options_;
  RegionTreeModel regions_;
  JobControl jobControl_;
  QStringList checkedRegionsList_;
  bool shownOnce_ = false;
  bool startupRefused_ = false;
  bool jobCutOffAtClose_ = false;
  // Whether the catalogue with the saved ticks, and the saved queries, loaded at the start.
  bool selectionLoaded_ = false;
  bool queriesLoaded_ = false;

  QProgressBar* ProgressBar = nullptr;
  QLabel* Label2 = nullptr;
  QProgressBar* StagesProgressBar = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* Label5 = nullptr;
  QPlainTextEdit* LogsMemo = nullptr;
  LogTabs* LogArea = nullptr;
  QLabel* RunStateLabel = nullptr;
  QPushButton* StartButton = nullptr;
  QPushButton* StopButton = nullptr;
  QPushButton* PauseButton = nullptr;
  QPushButton* OpenFolderButton = nullptr;
  QPlainTextEdit* KeywordsMemo = nullptr;
  QSpinBox* IntervalSpinEdit = nullptr;
  QDoubleSpinBox* PaceSpinEdit = nullptr;
  QLabel* WorkersLabel = nullptr;
  QSpinBox* WorkersSpinEdit = nullptr;
  QCheckBox* AutoIntervalCheckBox = nullptr;
  RegionTreeView* RegionsTree = nullptr;
  WrappingCheckBox* Limit10CheckBox = nullptr;
  QPushButton* SelectAllButton = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QSpinBox* LimitSpinEdit = nullptr;
  QSpinBox* RetrySpinEdit = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* N1 = nullptr;
  QAction* N2 = nullptr;

  std::unique_ptr<FormJobWindow> jobWindow_;
};

}  // namespace korvath
