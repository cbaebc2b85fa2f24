#include "engine/journal_recorder.h"

namespace korvath {

bool JournalRecorder::Broken() {
  std::lock_guard lock(mutex_);
  return !journal_ || broken_;
}

std::optional<QString> JournalRecorder::Break(const std::exception& failure,
                                              const QString& consequence) {
  {
    std::lock_guard lock(mutex_);
    if (std::exchange(broken_, true)) return std::nullopt;
  }
  return QString::fromUtf8(failure.what()) + consequence;
}

std::optional<QString> JournalRecorder::StartJob(const JournalInputs& inputs,
                                                 const QStringList& firstAddresses) {
  if (Broken()) return std::nullopt;
  try {
    journal_->StartJob(inputs, firstAddresses);
  } catch (const std::exception& failure) {
    return Break(failure,
                 u". Сбор идёт без журнала: если он прервётся, продолжить его не получится"_qs);
  }
  return std::nullopt;
}

std::optional<QString> JournalRecorder::CommitPage(int task, const QList<ResultRow>& rows,
                                                   const TaskProgress& progress) {
  if (Broken()) return std::nullopt;
  try {
    journal_->CommitPage(task, rows, progress);
  } catch (const std::exception& failure) {
    return Break(failure,
                 u". Журнал сбора больше не пишется: сбор идёт дальше, но после сбоя его можно "
                 u"будет продолжить только с более раннего места"_qs);
  }
  return std::nullopt;
}

std::optional<QString> JournalRecorder::MarkFinished() {
  if (Broken()) return std::nullopt;
  try {
    journal_->MarkFinished();
  } catch (const std::exception& failure) {
    return QString::fromUtf8(failure.what());
  }
  return std::nullopt;
}

}  // namespace korvath
