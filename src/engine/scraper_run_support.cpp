#include "engine/scraper_run.h"

#include <QDir>
#include <QFile>

#include <stdexcept>

#include "results/handle_result.h"
#include "results/progress.h"
#include "results/run_log.h"

namespace korvath {

void TScraper::Run::Request(const QString& address) {
  receiveBuffer_.clear();
  // Through a proxy every request gets a connection, and for HTTPS a tunnel, of its own.
  if (!fetcher_->GetProxyParams().ProxyServer.isEmpty()) {
    fetcher_->Disconnect();
  }
  fetcher_->Get(address, receiveBuffer_);
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
    if (HandleResult(u"ok"_qs, resulttype_, job_.table_, window_, job_.config_.programFolder)) {
      job_.hold_.Hold();
    }
  });
  HoldPoint();
}

void TScraper::Run::ShowRegionsBar() {
  HandOff([this] { UpdateProgressBar(window_, ProgressBarMax, ProgressBarPosition); });
}

void TScraper::Run::ShowStagesBar() {
  HandOff([this] {
    UpdateStagesProgressBar(window_, StagesProgressBarMax, StagesProgressBarPosition);
  });
}

TScraper::Run::Milliseconds TScraper::Run::ReadInterval() {
  const int seconds = ReadPublished(&JobWindow::IntervalSeconds);
  return Milliseconds(qMax(0, seconds) * 1000LL);
}

}  // namespace korvath
