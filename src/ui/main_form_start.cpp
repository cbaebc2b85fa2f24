// What Start does: finds an interrupted job in the journal, asks whether it is to go on, and
// starts the job.
#include "ui/main_form.h"

#include "engine/interrupted_job.h"
#include "inputs/region_catalogue.h"
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
    // What the journal holds belongs to no job running in the folder.
    jobControl_.CheckFolderFree(options_.programFolder);
    const JournalAtStart journal =
        OpenJournalAtStart(options_.programFolder, [this](const QString& setAside) {
          // A box, as the log is cleared the moment the job starts.
          ShowMessage(this, QString::fromUtf16(kBoxCaption), setAside);
        });
    const std::optional<bool> resume = ChooseToResume(journal);
    if (!resume) return;
    if (*resume) {
      const JournalInputs inputs = journal.journal->Inputs();
      ShowJobInputs(inputs);
      // The journal's own entries: a region that the catalogue no longer holds still runs.
      checkedRegionsList_ = inputs.regionEntries;
    } else {
      checkedRegionsList_ = CollectCheckedRegions(regions_);
    }
    ScraperConfig config;
    config.origin = options_.engineOrigin;
    config.programFolder = options_.programFolder;
    config.workers = WorkersSpinEdit->value();
    config.journal = journal.journal;
    config.resume = *resume;
    // Starting lets go of the last job, whose table the results tab still shows.
    LogArea->Results().KeepOwnCopy();
    options_.startJob(jobControl_, *jobWindow_, checkedRegionsList_, config);
  });
}

std::optional<bool> TMainForm::ChooseToResume(const JournalAtStart& journal) {
  if (!journal.interrupted) return false;
  const QString question =
      QString::fromUtf16(kResumeQuestion) + u"\n\n"_qs + InterruptedJobText(*journal.interrupted);
  switch (AskQuestion(this, QString::fromUtf16(kBoxCaption), question,
                      {u"Продолжить"_qs, u"Начать заново"_qs, u"Отмена"_qs})) {
    case kContinue:
      return true;
    case kStartAnew:
      return false;
    default:
      return std::nullopt;
  }
}

void TMainForm::ShowJobInputs(const JournalInputs& inputs) {
  SetMemoLines(*KeywordsMemo, inputs.queryLines);
  QStringList nodeTexts;
  for (const QString& entry : inputs.regionEntries) {
    const qsizetype separator = entry.lastIndexOf(u'=');
    nodeTexts.append(RegionNodeText(entry.left(separator), entry.mid(separator + 1)));
  }
  RestoreCheckedNodes(regions_, nodeTexts);
  RetrySpinEdit->setValue(inputs.retryCount);
  Limit10CheckBox->setChecked(inputs.capEnabled);
  LimitSpinEdit->setValue(inputs.capValue);
}

}  // namespace korvath
