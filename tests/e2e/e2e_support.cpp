#include "e2e_support.h"

#include "support/child_process.h"
#include "textutil/text_file.h"
#include "textutil/windows1251.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <csignal>
#include <stdexcept>

namespace korvath::e2e {

using testing::SendSignal;
using testing::StartAsShellWould;

namespace {

// Far above what any run here needs; only a hung program ever reaches it.
constexpr int kHangMs = 180'000;

QString Text(const QByteArray& bytes) { return DecodeLocal8Bit(bytes); }

void StartCli(QProcess& process, const Sandbox& sandbox, const QStringList& runArguments,
              const QStringList& environment = {}) {
  process.setProgram(QStringLiteral(KORVATH_CLI_PATH));
  QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
  // The error pause stays an error pause, but of 0.2 s instead of 15.
  variables.insert(u"KORVATH_ERROR_PAUSE_MS"_qs, u"200"_qs);
  for (const QString& entry : environment)
    variables.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
  process.setProcessEnvironment(variables);
  process.setArguments(QStringList{u"run"_qs, u"--dir"_qs, sandbox.ProgramFolder()} + runArguments);
  process.setWorkingDirectory(sandbox.WorkingFolder());
  StartAsShellWould(process);
  if (!process.waitForStarted(kHangMs)) {
    throw std::runtime_error("korvath-cli did not start: " + process.errorString().toStdString());
  }
}

CliResult Collect(QProcess& process, QString out) {
  if (!process.waitForFinished(kHangMs)) {
    process.kill();
    process.waitForFinished();
    ADD_FAILURE() << "korvath-cli did not end";
  }
  CliResult result;
  result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  // For a process that a signal ended, Qt keeps the signal's number as its exit code.
  if (process.exitStatus() == QProcess::CrashExit) result.signal = process.exitCode();
  result.out = out + Text(process.readAllStandardOutput());
  result.err = Text(process.readAllStandardError());
  const QString folderLine = u"Program folder: "_qs;
  if (result.out.startsWith(folderLine)) {
    const qsizetype end = result.out.indexOf(u'\n');
    result.programFolder =
        QDir::fromNativeSeparators(result.out.mid(folderLine.size(), end - folderLine.size()));
    result.out.remove(0, end < 0 ? result.out.size() : end + 1);
  }
  return result;
}

}  // namespace

void QtApplication::SetUp() {
  static int argc = 1;
  static char name[] = "e2e";
  static char* argv[] = {name, nullptr};
  app_ = std::make_unique<QCoreApplication>(argc, argv);
}

void QtApplication::TearDown() { app_.reset(); }

void WriteUserLines(const QString& path, const QStringList& lines) {
  QByteArray bytes("\xEF\xBB\xBF");
  for (const QString& line : lines) bytes += line.toUtf8() + "\r\n";
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
    throw std::runtime_error("cannot write " + path.toStdString());
  }
}

DemoEngine::DemoEngine(const QStringList& options) {
  process_.setProgram(QStringLiteral(KORVATH_DEMO_ENGINE_PATH));
  process_.setArguments(options);
  process_.setProcessChannelMode(QProcess::SeparateChannels);
  process_.start();
  while (!process_.canReadLine()) {
    if (!process_.waitForReadyRead(kHangMs)) {
      throw std::runtime_error("the demo engine did not name its origin: " +
                               process_.readAllStandardError().toStdString());
    }
  }
  origin_ = Text(process_.readLine()).trimmed();
}

QString DemoEngine::Log() {
  // A wait on the engine's output takes in what waits on its error channel too.
  process_.waitForReadyRead(50);
  log_ += Text(process_.readAllStandardError());
  return log_;
}

bool DemoEngine::WaitForLog(const std::function<bool(const QString&)>& done) {
  process_.setReadChannel(QProcess::StandardError);
  while (true) {
    log_ += Text(process_.readAllStandardError());
    if (done(log_)) return true;
    if (process_.state() == QProcess::NotRunning || !process_.waitForReadyRead(kHangMs)) {
      log_ += Text(process_.readAllStandardError());
      return done(log_);
    }
  }
}

DemoEngine::~DemoEngine() { testing::EndProcess(process_, kHangMs); }

Sandbox::Sandbox() {
  if (!programDir_.isValid() || !workingDir_.isValid()) {
    throw std::runtime_error("cannot make temporary folders");
  }
}

void Sandbox::WriteUserFile(const QString& name, const QStringList& lines) const {
  WriteUserLines(ProgramFile(name), lines);
}

void Sandbox::WriteBytes(const QString& name, const QByteArray& bytes) const {
  QFile file(ProgramFile(name));
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
    throw std::runtime_error("cannot write " + name.toStdString());
  }
}

QStringList Sandbox::ProgramFiles(const QString& pattern) const {
  return QDir(ProgramFolder()).entryList({pattern}, QDir::Files, QDir::Name);
}

CliResult RunCli(const Sandbox& sandbox, const QStringList& runArguments) {
  QProcess process;
  StartCli(process, sandbox, runArguments);
  return Collect(process, {});
}

CliResult RunCliPipedTo(const Sandbox& sandbox, const QStringList& runArguments,
                        const QString& pipeTo) {
  QStringList command = {QStringLiteral(KORVATH_CLI_PATH), u"run"_qs, u"--dir"_qs,
                         sandbox.ProgramFolder()};
  command += runArguments;
  for (QString& word : command) word = u"'"_qs + word.replace(u"'"_qs, u"'\\''"_qs) + u"'"_qs;
  QProcess process;
  process.setProgram(u"/bin/bash"_qs);
  process.setArguments(
      {u"-c"_qs, u"set -o pipefail; "_qs + command.join(u' ') + u" | "_qs + pipeTo});
  process.setWorkingDirectory(sandbox.WorkingFolder());
  StartAsShellWould(process);
  return Collect(process, {});
}

RunningCli::RunningCli(const Sandbox& sandbox, const QStringList& runArguments,
                       const QStringList& environment) {
  StartCli(process_, sandbox, runArguments, environment);
}

RunningCli::RunningCli(const std::function<void(QProcess&)>& start) {
  start(process_);
  if (!process_.waitForStarted(kHangMs)) {
    throw std::runtime_error(process_.program().toStdString() +
                             " did not start: " + process_.errorString().toStdString());
  }
}

RunningCli::~RunningCli() {
  if (process_.state() != QProcess::NotRunning) {
    process_.kill();
    process_.waitForFinished();
  }
}

bool RunningCli::WaitForOutput(const std::function<bool(const QString&)>& done) {
  QByteArray pending;
  while (true) {
    pending += process_.readAllStandardOutput();
    // Decode whole lines only, so that no character is cut in two.
    const qsizetype end = pending.lastIndexOf('\n');
    if (end >= 0) {
      out_ += Text(pending.left(end + 1));
      pending.remove(0, end + 1);
    }
    if (done(out_)) {
      out_ += Text(pending);
      return true;
    }
    if (process_.state() == QProcess::NotRunning || !process_.waitForReadyRead(kHangMs)) {
      out_ += Text(pending);
      return done(out_);
    }
  }
}

bool RunningCli::Signal(int signalNumber) { return SendSignal(process_, signalNumber); }

CliResult RunningCli::Finish() { return Collect(process_, out_); }

QList<QStringList> ReadCsv(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw std::runtime_error("cannot open " + path.toStdString());
  const QString text = DecodeWindows1251(file.readAll());

  QList<QStringList> rows;
  QStringList fields;
  QString field;
  bool quoted = false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (quoted) {
      if (c != u'"') {
        field += c;
      } else if (i + 1 < text.size() && text[i + 1] == u'"') {
        field += c;
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == u'"') {
      quoted = true;
    } else if (c == u';') {
      fields.append(std::exchange(field, {}));
    } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
      fields.append(std::exchange(field, {}));
      rows.append(std::exchange(fields, {}));
      ++i;
    } else {
      throw std::runtime_error("unquoted text in " + path.toStdString());
    }
  }
  if (quoted || !field.isEmpty() || !fields.isEmpty()) {
    throw std::runtime_error("last line of " + path.toStdString() + " is not ended by CR LF");
  }
  return rows;
}

QString ReadLogFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw std::runtime_error("cannot open " + path.toStdString());
  QString text = DecodeLocal8Bit(file.readAll());
  if (!text.endsWith(u"\r\n"_qs) || text.count(u'\n') != text.count(u"\r\n"_qs)) {
    throw std::runtime_error("a line of " + path.toStdString() + " does not end in CR LF");
  }
  return text.replace(u"\r\n"_qs, u"\n"_qs);
}

int Count(const QString& text, const QString& part) { return static_cast<int>(text.count(part)); }

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

JobFiles FilesOf(const Sandbox& sandbox) {
  const QStringList names = sandbox.ProgramFiles(u"results-*.csv"_qs);
  return {names.size() == 1 ? FileBytes(sandbox.ProgramFile(names.front())) : QByteArray(),
          FileBytes(sandbox.ProgramFile(u"current.csv"_qs))};
}

}  // namespace korvath::e2e
