#include "engine/scraper_run.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <stdexcept>

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
  receiveBuffer_.clear();
  ++status_.requests;
  // Through a proxy every request gets a connection, and for HTTPS a tunnel, of its own.
  if (!fetcher_->GetProxyParams().ProxyServer.isEmpty()) {
    fetcher_->Disconnect();
  }
  try {
    fetcher_->Get(address, receiveBuffer_);
  } catch (const std::exception&) {
    // A captcha status is the engine's refusal, not a failure of the request.
    if (const std::optional<Block> block =
            BlockOfAnswer(fetcher_->LastAnswer(), fetcher_->ResponseCode())) {
      throw BlockedAnswer{*block};
    }
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
void TScraper::Run::WaitOutBlock(const Block& block, const QString& address) {
  ++status_.blocks;
  const QString what = BlockDescription(block, address);
  if (job_.config_.blocks.stopOnBlock) {
    Log(what + u". Останавливаем работу: так задано для блокировок"_qs);
    throw JobBlocked{};
  }
  const Milliseconds wait = backoff_.Next(block.retryAfter);
  const QDateTime retryAt = QDateTime::currentDateTime().addMSecs(wait.count());
  Log(what + u". Ждём "_qs + WaitText(wait) + u", следующая попытка в "_qs +
      retryAt.toString(u"HH:mm:ss"_qs));
  status_.blockWaitUntil = retryAt;
  ShowStatus();
  const JobClock::TimePoint began = clock_->Now();
  const bool stopped = clock_->WaitUntil(job_.hold_, began + wait);
  blockWaited_ += std::chrono::duration_cast<Milliseconds>(clock_->Now() - began);
  status_.blockWaitUntil = QDateTime();
  ShowStatus();
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
}

// The closing summary of what the job met on its way.
void TScraper::Run::LogEnding() {
  if (status_.blocks > 0) {
    Log(u"Блокировок за работу: "_qs + QString::number(status_.blocks) +
        u", ожидание из-за них в сумме: "_qs + WaitText(blockWaited_));
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
  HandOff([&] { AddLogLine(window_, message); });
}

// The error report; an error pause, if HandleResult asks for one, begins before the user-interface
// thread lets go of the job, and the job stays here until it is released.
void TScraper::Run::ReportError(const QString& message) {
  const QString result = u"ERROR_"_qs + message;
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
// pause, since nothing is left to wait for.
void TScraper::Run::SaveResults() {
  try {
    AskSave(QStringLiteral("jobdone"));
  } catch (const std::exception& failure) {
    const QString result = u"ERROR_"_qs + QString::fromUtf8(failure.what());
    HandOff([&] { LogFailure(window_, result); });
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

// The table belongs to the user-interface thread, which may show it while the job runs.
void TScraper::Run::AppendRow(const ResultRow& row) {
  HandOff([&] {
    job_.table_.Append(row);
    window_.RowsAppended(job_.table_);
    status_.rows = job_.table_.RowCount();
    StampElapsed();
    window_.ShowJobStatus(status_);
  });
}

void TScraper::Run::ShowStatus() {
  StampElapsed();
  HandOff([this] { window_.ShowJobStatus(status_); });
}

void TScraper::Run::StampElapsed() {
  status_.elapsed = std::chrono::duration_cast<Milliseconds>(clock_->Now() - started_);
}

TScraper::Run::Milliseconds TScraper::Run::ReadInterval() {
  return Milliseconds(qMax(0, ReadPublished(&JobWindow::IntervalMilliseconds)));
}

}  // namespace korvath
