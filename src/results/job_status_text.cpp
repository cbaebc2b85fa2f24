#include "results/job_status_text.h"

#include "results/progress.h"
#include "results/time_left.h"

#include <QStringList>

namespace korvath {
namespace {

QString PhaseText(JobPhase phase) {
  switch (phase) {
    case JobPhase::Held:
      return u"На паузе"_qs;
    case JobPhase::Stopping:
      return u"Останавливается"_qs;
    case JobPhase::Ended:
      return u"Сбор завершён"_qs;
    case JobPhase::Stopped:
      return u"Сбор остановлен"_qs;
    case JobPhase::Running:
      break;
  }
  return {};
}

QString OfText(const QString& what, BarState bar) {
  return u"%1 %2 из %3"_qs.arg(what).arg(bar.position).arg(bar.maximum);
}

QString Hint(const QString& what, BarState bar, const QString& timeLeft) {
  QString hint = what + u'\n' + ProgressHint(bar.position, bar.maximum);
  if (!timeLeft.isEmpty()) hint += u'\n' + timeLeft.left(1).toUpper() + timeLeft.mid(1);
  return hint;
}

}  // namespace

JobTexts JobStatusTexts(const JobView& view) {
  const JobStatus& status = view.status;
  const bool pooled = status.workers > 1;
  const bool moving = view.phase == JobPhase::Running;
  const bool barsHold = moving || view.phase == JobPhase::Held;
  QStringList parts;
  if (const QString phase = PhaseText(view.phase); !phase.isEmpty()) parts.append(phase);
  if (pooled) parts.append(u"потоков %1"_qs.arg(status.workers));
  if (barsHold && pooled) {
    parts.append(OfText(u"готово задач"_qs, view.regions));
    parts.append(OfText(u"запросов"_qs, view.stages));
  } else if (barsHold) {
    parts.append(OfText(u"запрос"_qs, view.stages));
    parts.append(OfText(u"регион"_qs, view.regions));
  }
  parts.append(u"строк %1"_qs.arg(status.rows));
  parts.append(u"обращений %1"_qs.arg(status.requests));
  parts.append(u"блокировок %1"_qs.arg(status.blocks));
  if (status.pace) parts.append(u"пауза "_qs + PaceText(*status.pace));
  const QString timeLeft =
      moving ? TimeLeftText(status.elapsed, status.tasksDone, status.tasksTotal) : QString();
  if (!timeLeft.isEmpty()) parts.append(timeLeft);
  if (moving && status.blockWaitUntil.isValid() && status.blockWaitUntil > view.now)
    parts.append(u"блокировка, следующая попытка в "_qs +
                 status.blockWaitUntil.toString(u"HH:mm:ss"_qs));
  JobTexts texts;
  texts.line = parts.join(u" · "_qs);
  texts.line.replace(0, 1, texts.line.left(1).toUpper());
  texts.regionsHint = Hint(pooled ? u"Задачи «запрос × регион», завершённые"_qs
                                  : u"Регионы текущего запроса, начатые"_qs,
                           view.regions, timeLeft);
  texts.stagesHint = Hint(pooled ? u"Запросы, собранные полностью"_qs
                                 : u"Запросы, начатые (из строк списка запросов)"_qs,
                          view.stages, timeLeft);
  return texts;
}

QString PaceText(std::chrono::milliseconds pace) {
  return QString::number(double(pace.count()) / 1000, 'f', 1).replace(u'.', u',') + u" с"_qs;
}

}  // namespace korvath
