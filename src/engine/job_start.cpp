#include "engine/job_start.h"

#include <QtGlobal>

#include "web/proxy_list.h"

namespace korvath {

std::optional<JobStart> PrepareJobStart(
    const QString& programFolder, const std::function<QString()>& checkFolderFree,
    const std::function<void(const QString&)>& setAside,
    const std::function<InterruptedJobAnswer(const JournalSummary&)>& answer) {
  JobStart start;
  if (const QString notice = checkFolderFree(); !notice.isEmpty()) start.notices.append(notice);
  if (const QString refusal = ProxyListRefusal(programFolder); !refusal.isEmpty()) {
    throw ProxyListRefused(refusal.toStdString());
  }
  QString setAsideMessage;
  start.journal = JobJournal::Open(programFolder, &setAsideMessage);
  if (!setAsideMessage.isEmpty()) setAside(setAsideMessage);
  if (!start.journal->HasJob()) return start;
  const JournalSummary summary = start.journal->Summary();
  if (summary.finished) return start;
  switch (answer(summary)) {
    case InterruptedJobAnswer::Resume:
      start.resume = true;
      start.journalInputs = start.journal->Inputs();
      return start;
    case InterruptedJobAnswer::StartAnew:
      return start;
    case InterruptedJobAnswer::Cancel:
      break;
  }
  return std::nullopt;
}

ScraperConfig BaseJobConfig(const QString& origin, const QString& programFolder) {
  ScraperConfig config;
  config.origin = origin;
  config.programFolder = programFolder;
  bool valid = false;
  const int pauseMs = qEnvironmentVariableIntValue("KORVATH_ERROR_PAUSE_MS", &valid);
  if (valid && pauseMs >= 0) config.errorPause = std::chrono::milliseconds(pauseMs);
  return config;
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

std::shared_ptr<PaceMemory> OpenPaceMemory(const QString& programFolder, QStringList& notices) {
  try {
    return std::make_shared<PaceMemory>(programFolder);
  } catch (const std::exception& failure) {
    notices.append(PaceMemoryNotice(failure));
    return nullptr;
  }
}

QString PaceMemoryNotice(const std::exception& failure) {
  return u"Подобранные паузы не удаётся прочитать или сохранить в pace.sqlite ("_qs +
         QString::fromUtf8(failure.what()) + u"); работаем без них"_qs;
}

}  // namespace korvath
