#include "engine/scraper_run.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <stdexcept>
#include <utility>

#include "engine/scraper_crew.h"
#include "results/handle_result.h"
#include "results/progress.h"
#include "results/run_log.h"

namespace korvath {

namespace {

// "0,2 с", "45 с", "2 мин", "1 мин 30 с": a wait as the log shows it.
QString WaitText(std::chrono::milliseconds wait) {
  const qint64 ms = wait.count();
  if (ms < 60000 && ms % 1000 != 0) {
    return QString::number(double(ms) / 1000.0, 'f', 1).replace(u'.', u',') + u" с"_qs;
  }
  const qint64 seconds = ms / 1000;
  if (seconds < 60) return QString::number(seconds) + u" с"_qs;
  QString text = QString::number(seconds / 60) + u" мин"_qs;
  if (seconds % 60 != 0) text += u' ' + QString::number(seconds % 60) + u" с"_qs;
  return text;
}

}  // namespace

void TScraper::Run::Request(const QString& address) {
  if (crew_.Pooled()) PaceProxy();
  receiveBuffer_.clear();
  {
    std::lock_guard lock(crew_.mutex);
    ++crew_.status.requests;
    if (proxy_) crew_.pool->CountRequest(*proxy_);
  }
  // Through a proxy every request gets a connection, and for HTTPS a tunnel, of its own.
  if (!fetcher_->GetProxyParams().ProxyServer.isEmpty()) {
    fetcher_->Disconnect();
  }
  try {
    fetcher_->Get(address, receiveBuffer_);
    if (proxy_) lastRequestTick_ = clock_->Now();
  } catch (const std::exception& failure) {
    if (proxy_) lastRequestTick_ = clock_->Now();
    // A captcha status is the engine's refusal, not a failure of the request.
    if (const std::optional<Block> block =
            BlockOfAnswer(fetcher_->LastAnswer(), fetcher_->ResponseCode())) {
      throw BlockedAnswer{*block};
    }
    if (proxy_ && NoteProxyFailure(QString::fromUtf8(failure.what()))) throw ProxyFailed{};
    throw;
  }
}

// An answer that arrived whole may still be the engine's refusal rather than the page asked for.
void TScraper::Run::CheckPage(const QString& text, AnswerKind kind) {
  if (const std::optional<Block> block =
          BlockOfPage(fetcher_->LastAnswer(), fetcher_->ResponseCode(), text, kind)) {
    throw BlockedAnswer{*block};
  }
}

// Logs the block and waits it out, longer with each block in a row; Pause and Stop act at once.
// With a proxy pool, the proxy rests instead and the task goes on through another.
void TScraper::Run::WaitOutBlock(const Block& block, const QString& address) {
  ChangeStatus([](JobStatus& status) { ++status.blocks; });
  const QString what = BlockDescription(block, address);
  if (job_.config_.blocks.stopOnBlock) {
    Log(what + u". Останавливаем работу: так задано для блокировок"_qs);
    throw JobBlocked{};
  }
  if (proxy_) {
    LetProxyRest(crew_.pool->RestAfterBlock(*proxy_, clock_->Now(), block.retryAfter), what);
    return;
  }
  const Milliseconds wait = backoff_.Next(block.retryAfter);
  const QDateTime retryAt = QDateTime::currentDateTime().addMSecs(wait.count());
  Log(what + u". Ждём "_qs + WaitText(wait) + u", следующая попытка в "_qs +
      retryAt.toString(u"HH:mm:ss"_qs));
  ChangeStatus([&](JobStatus& status) { status.blockWaitUntil = retryAt; });
  const JobClock::TimePoint began = clock_->Now();
  const bool stopped = clock_->WaitUntil(job_.hold_, began + wait);
  const auto waited = std::chrono::duration_cast<Milliseconds>(clock_->Now() - began);
  ChangeStatus([&](JobStatus& status) { status.blockWaitUntil = QDateTime(); });
  {
    std::lock_guard lock(crew_.mutex);
    crew_.blockWaited += waited;
  }
  if (stopped) throw JobStopped{};
}

// One more failed attempt on the current page or card; too many in a row leave the query in
// this region, when the job was told to give up.
void TScraper::Run::CountFailure(const QString& message) {
  // A nothing-found page asked for again is the job's own wish, not a failure.
  if (message.contains(u"Повтор")) return;
  ++failuresInRow_;
  const int limit = job_.config_.giveUpAfter;
  if (limit <= 0 || failuresInRow_ < limit) return;
  Log(QString::number(limit) + u" неудачных попыток подряд (последняя ошибка: "_qs + message +
      u"). Оставляем запрос \""_qs + query_ + u"\" по региону \""_qs + regionName_ +
      u"\" и переходим к следующему"_qs);
  throw TaskGivenUp{};
}

// A page or card came: its row of blocks and of failures ends.
void TScraper::Run::AnswerCame() {
  backoff_.EndRow();
  failuresInRow_ = 0;
  if (proxy_) crew_.pool->NoteAnswer(*proxy_);
}

// The closing summary of what the job met on its way.
void TScraper::Run::LogEnding() {
  if (crew_.status.blocks > 0) {
    Log(u"Блокировок за работу: "_qs + QString::number(crew_.status.blocks) +
        u", ожидание из-за них в сумме: "_qs + WaitText(crew_.blockWaited));
  }
  if (crew_.Pooled()) {
    for (const QString& line : crew_.pool->Summary()) Log(line);
  }
  if (!job_.ending_.givenUp.isEmpty()) {
    Log(u"Не завершены из-за ошибок ("_qs + QString::number(job_.ending_.givenUp.size()) +
        u"): "_qs + job_.ending_.givenUp.join(u"; "_qs));
  }
}

void TScraper::Run::WriteRaw(const QString& fileName) const {
  const QString& folder = job_.config_.workingFolder;
  const QString path =
      folder.isEmpty() ? QDir::current().filePath(fileName) : QDir(folder).filePath(fileName);
  QFile file(path);
  // The old copy is overwritten and then cut to length, never truncated to nothing first: ext4
  // flushes a file emptied that way to the disk as soon as it is closed, which for a copy written
  // at every card would cost the job a disk write per request.
  if (!file.open(QIODevice::ReadWrite)) {
    throw std::runtime_error(QStringLiteral("Cannot create file \"%1\". %2")
                                 .arg(QDir::toNativeSeparators(path), file.errorString())
                                 .toStdString());
  }
  if (file.write(receiveBuffer_) != receiveBuffer_.size() || !file.resize(receiveBuffer_.size()) ||
      !file.flush()) {
    throw std::runtime_error(QStringLiteral("Cannot write file \"%1\". %2")
                                 .arg(QDir::toNativeSeparators(path), file.errorString())
                                 .toStdString());
  }
}

// Waits until `interval` has passed since the end of the last successful request.
void TScraper::Run::Pace(Milliseconds interval) {
  if (lastRequestTick_ && clock_->WaitUntil(job_.hold_, *lastRequestTick_ + interval)) {
    throw JobStopped{};
  }
  StopTest();
}

void TScraper::Run::StopTest() {
  if (job_.hold_.CheckPoint()) {
    throw JobStopped{};
  }
}

void TScraper::Run::HoldPoint() { job_.hold_.CheckPoint(); }

void TScraper::Run::HandOff(const std::function<void()>& routine) {
  if (job_.abandoned_) {
    throw JobAbandoned{};
  }
  try {
    // The flag is set on the user-interface thread, so testing it there is free of races.
    window_.HandOff([&] {
      if (!job_.abandoned_) {
        routine();
      }
    });
  } catch (...) {
    if (job_.abandoned_) {
      throw JobAbandoned{};
    }
    throw;
  }
  if (job_.abandoned_) {
    throw JobAbandoned{};
  }
}

void TScraper::Run::Log(const QString& message) {
  if (worker_ == 0 || !crew_.Numbered()) {
    HandOff([&] { AddLogLine(window_, message); });
    return;
  }
  // The number goes after the blank lines that open a task.
  qsizetype start = 0;
  while (start < message.size() && (message[start] == u'\r' || message[start] == u'\n')) ++start;
  const QString numbered =
      message.left(start) + u'[' + QString::number(worker_) + u"] "_qs + message.mid(start);
  HandOff([&] { AddLogLine(window_, numbered); });
}

// The error report; an error pause, if HandleResult asks for one, begins before the user-interface
// thread lets go of the job, and the job stays here until it is released.
//
// With a proxy pool the error pause holds only this worker.
void TScraper::Run::ReportError(const QString& message) {
  const QString result = u"ERROR_"_qs + message;
  if (crew_.Pooled()) {
    if (!CallsForErrorPause(result)) return;
    Log(FailureLine(result));
    Log(kErrorPauseMessage.toString());
    clock_->WaitUntil(job_.hold_, clock_->Now() + kErrorPauseLength);
    return;
  }
  HandOff([&] {
    if (HandleResult(result, resulttype_, job_.table_, window_, job_.config_.programFolder)) {
      job_.hold_.Hold();
    }
  });
  HoldPoint();
}

void TScraper::Run::AskSave(const QString& type) {
  resulttype_ = type;
  HandOff([&] {
    if (HandleResult(u"ok"_qs, resulttype_, job_.table_, window_, job_.config_.programFolder,
                     job_.config_.writeWorkbook)) {
      job_.hold_.Hold();
    }
  });
  HoldPoint();
}

// The results file, once; a failure to write it is shown once and is no reason for an error
// pause, since nothing is left to wait for. Returns whether it was written.
bool TScraper::Run::SaveResults() {
  try {
    AskSave(QStringLiteral("jobdone"));
    return true;
  } catch (const std::exception& failure) {
    const QString result = u"ERROR_"_qs + QString::fromUtf8(failure.what());
    HandOff([&] { LogFailure(window_, result); });
    return false;
  }
}

void TScraper::Run::ShowRegionsBar() {
  HandOff([this] { UpdateProgressBar(window_, ProgressBarMax, ProgressBarPosition); });
}

void TScraper::Run::ShowStagesBar() {
  HandOff([this] {
    UpdateStagesProgressBar(window_, StagesProgressBarMax, StagesProgressBarPosition);
  });
}

// One ad's row: into the table at once, or with several workers once every earlier task's rows
// are in; and into the journal with its results page.
void TScraper::Run::AppendRow(const ResultRow& row) {
  if (job_.config_.journal) pageRows_.append(row);
  if (crew_.Pooled()) {
    taskRows_.append(row);
    return;
  }
  AppendRows({row});
}

// The table belongs to the user-interface thread, which may show it while the job runs.
void TScraper::Run::AppendRows(QList<ResultRow> rows) {
  if (rows.isEmpty()) return;
  qint64 count = 0;
  HandOff([&] {
    for (ResultRow& row : rows) job_.table_.Append(std::move(row));
    window_.RowsAppended(job_.table_);
    count = job_.table_.RowCount();
  });
  ChangeStatus([&](JobStatus& status) { status.rows = count; });
}

// Changes the job's status and shows it. The user-interface thread never takes the crew's lock,
// so the status is handed over as a copy.
void TScraper::Run::ChangeStatus(const std::function<void(JobStatus&)>& change) {
  JobStatus shown;
  {
    std::lock_guard lock(crew_.mutex);
    change(crew_.status);
    crew_.status.elapsed = std::chrono::duration_cast<Milliseconds>(clock_->Now() - crew_.started);
    shown = crew_.status;
  }
  HandOff([&] { window_.ShowJobStatus(shown); });
}

void TScraper::Run::ShowStatus() {
  ChangeStatus([](JobStatus&) {});
}

// The finished results page's rows and where its task now stands, in one journal transaction.
// After a failed write the journal keeps its last consistent state, from which a resume fetches
// the later pages again.
void TScraper::Run::CommitPage(bool done) {
  const TaskProgress progress{done ? QString() : currentAddress_, positionCounter_, capCounter_,
                              done};
  const QList<ResultRow> rows = std::exchange(pageRows_, {});
  bool broken = false;
  {
    std::lock_guard lock(crew_.mutex);
    crew_.plan.progress[task_] = progress;
    broken = crew_.journalBroken;
  }
  const std::shared_ptr<JobJournal>& journal = job_.config_.journal;
  if (!journal || broken) return;
  try {
    journal->CommitPage(task_, rows, progress);
  } catch (const std::exception& failure) {
    {
      std::lock_guard lock(crew_.mutex);
      if (crew_.journalBroken) return;
      crew_.journalBroken = true;
    }
    Log(QString::fromUtf8(failure.what()) +
        u". Журнал сбора больше не пишется: сбор идёт дальше, но после сбоя его можно будет "
        u"продолжить только с более раннего места"_qs);
  }
}

void TScraper::Run::MarkJournalFinished() {
  const std::shared_ptr<JobJournal>& journal = job_.config_.journal;
  if (!journal || crew_.journalBroken) return;
  try {
    journal->MarkFinished();
  } catch (const std::exception& failure) {
    Log(QString::fromUtf8(failure.what()));
  }
}

// The rows a resumed job's journal held for `task`, in their place in the table.
void TScraper::Run::ShowJournalRows(int task) {
  AppendRows(std::exchange(crew_.plan.journalRows[task], {}));
}

TScraper::Run::Milliseconds TScraper::Run::ReadInterval() {
  return Milliseconds(qMax(0, ReadPublished(&JobWindow::IntervalMilliseconds)));
}

}  // namespace korvath
