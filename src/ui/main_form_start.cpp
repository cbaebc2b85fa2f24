// What Start does: finds an interrupted job in the journal, asks whether it is to go on, and
// starts the job.
#include "ui/main_form.h"

#include "engine/job_start.h"
#include "inputs/region_catalogue.h"
#include "inputs/region_entry.h"
#include "inputs/saved_inputs.h"
#include "ui/log_tabs.h"
#include "ui/memo_lines.h"
#include "ui/message_box.h"
#include "ui/wrapping_check_box.h"

#include <QPlainTextEdit>
#include <QSpinBox>

namespace korvath {
namespace {

constexpr char16_t kResumeQuestion[] = u"Продолжить прерванный сбор?";

// The answers to the question, in the order of its buttons.
enum ResumeAnswer { kContinue, kStartAnew, kCancel };

}  // namespace

void TMainForm::StartButtonClick() {
  RunHandler([&] {
    // A click that slips in before the running job locks Start neither asks nor starts.
    if (jobControl_.JobRunning()) return;
    const std::optional<JobStart> start = PrepareJobStart(
        options_.programFolder,
        [this] { return jobControl_.CheckFolderFree(options_.programFolder); },
        [this](const QString& setAside) {
          // A box, as the log is cleared the moment the job starts.
          ShowMessage(this, QString::fromUtf16(kBoxCaption), setAside);
        },
        [this](const JournalSummary& interrupted) { return AskToResume(interrupted); });
    if (!start) return;
    if (start->resume) {
      ShowJobInputs(start->journalInputs);
      // The journal's own entries: a region that the catalogue no longer holds still runs.
      checkedRegionsList_ = start->journalInputs.regionEntries;
    } else {
      checkedRegionsList_ = CollectCheckedRegions(regions_);
    }
    ScraperConfig config = BaseJobConfig(options_.engineOrigin, options_.programFolder);
    config.workers = WorkersSpinEdit->value();
    config.journal = start->journal;
    config.resume = start->resume;
    config.startNotices = start->notices;
    config.pace.automatic = AutoIntervalCheckBox->isChecked();
    if (config.pace.automatic) {
      config.paceMemory = OpenPaceMemory(options_.programFolder, config.startNotices);
    }
    // Starting lets go of the last job, whose table the results tab still shows.
    LogArea->Results().KeepOwnCopy();
    options_.startJob(jobControl_, *jobWindow_, checkedRegionsList_, config);
  });
}

InterruptedJobAnswer TMainForm::AskToResume(const JournalSummary& interrupted) {
  const QString question =
      QString::fromUtf16(kResumeQuestion) + u"\n\n"_qs + InterruptedJobText(interrupted);
  switch (AskQuestion(this, QString::fromUtf16(kBoxCaption), question,
                      {u"Продолжить"_qs, u"Начать заново"_qs, u"Отмена"_qs})) {
    case kContinue:
      return InterruptedJobAnswer::Resume;
    case kStartAnew:
      return InterruptedJobAnswer::StartAnew;
    default:
      return InterruptedJobAnswer::Cancel;
  }
}

void TMainForm::ShowJobInputs(const JournalInputs& inputs) {
  SetMemoLines(*KeywordsMemo, inputs.queryLines);
  QStringList nodeTexts;
  for (const QString& entry : inputs.regionEntries) {
    const RegionParts region = SplitRegionEntry(entry);
    nodeTexts.append(RegionNodeText(region.name, region.rid));
  }
  RestoreCheckedNodes(regions_, nodeTexts);
  RetrySpinEdit->setValue(inputs.retryCount);
  Limit10CheckBox->setChecked(inputs.capEnabled);
  LimitSpinEdit->setValue(inputs.capValue);
}

}  // namespace korvath
