#include "engine/interrupted_job.h"

namespace korvath {

JournalAtStart OpenJournalAtStart(const QString& programFolder,
                                  const std::function<void(const QString&)>& setAside) {
  QString setAsideMessage;
  JournalAtStart found;
  found.journal = JobJournal::Open(programFolder, &setAsideMessage);
  if (!setAsideMessage.isEmpty()) setAside(setAsideMessage);
  if (found.journal->HasJob()) {
    const JournalSummary summary = found.journal->Summary();
    if (!summary.finished) found.interrupted = summary;
  }
  return found;
}

QString InterruptedJobText(const JournalSummary& summary) {
  QString text =
      u"Выполнено задач (запрос в регионе): %1 из %2, собрано строк: %3"_qs.arg(summary.tasksDone)
          .arg(summary.tasksTotal)
          .arg(summary.rows);
  if (summary.lastWrite.isValid()) {
    text +=
        u", сбор остановлен "_qs + summary.lastWrite.toLocalTime().toString(u"dd.MM.yyyy HH:mm"_qs);
  }
  return text + u'.';
}

}  // namespace korvath
