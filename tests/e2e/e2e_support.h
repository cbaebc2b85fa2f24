#pragma once

#include <QCoreApplication>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

namespace korvath::e2e {

// The application object that QProcess's socket notifiers want, for the whole test program.
class QtApplication : public ::testing::Environment {
 public:
  void SetUp() override;
  void TearDown() override;

 private:
  std::unique_ptr<QCoreApplication> app_;
};

// Writes `lines` as UTF-8 with a byte-order mark, which every reader of the user's files
// recognises, each followed by CR LF.
void WriteUserLines(const QString& path, const QStringList& lines);

// The demo search engine, started on a port of its own choosing and stopped with the object.
class DemoEngine {
 public:
  explicit DemoEngine(const QStringList& options = {});
  ~DemoEngine();

  const QString& Origin() const { return origin_; }
  // What it has written to standard error so far (with --log, one line per request).
  QString Log();
  // Reads its standard error until `done` holds for all it has written there; false when it
  // ends first.
  bool WaitForLog(const std::function<bool(const QString&)>& done);

 private:
  QProcess process_;
  QString origin_;
  QString log_;
};

// A program folder and a working folder, both temporary.
class Sandbox {
 public:
  Sandbox();

  QString ProgramFolder() const { return programDir_.path(); }
  QString WorkingFolder() const { return workingDir_.path(); }
  QString ProgramFile(const QString& name) const { return programDir_.filePath(name); }
  QString WorkingFile(const QString& name) const { return workingDir_.filePath(name); }

  // WriteUserLines into the program folder.
  void WriteUserFile(const QString& name, const QStringList& lines) const;
  void WriteBytes(const QString& name, const QByteArray& bytes) const;
  // Names in the program folder that match a wildcard pattern, e.g. "results-*.csv".
  QStringList ProgramFiles(const QString& pattern) const;

 private:
  QTemporaryDir programDir_;
  QTemporaryDir workingDir_;
};

struct CliResult {
  int exitCode = -1;
  int signal = 0;  // the signal that ended it, when it did not exit
  // The folder that the run named on its first line, which is not a line of its log.
  QString programFolder;
  QString out;  // the log, as printed
  QString err;
};

// Runs `korvath-cli run` in the sandbox's working folder with --dir set to its program folder.
CliResult RunCli(const Sandbox& sandbox, const QStringList& runArguments);

// The same through a shell pipeline, `korvath-cli run ... | PIPE_TO`; the exit code is the CLI's.
CliResult RunCliPipedTo(const Sandbox& sandbox, const QStringList& runArguments,
                        const QString& pipeTo);

// The same, started and left running so that a test can act on it.
class RunningCli {
 public:
  // `environment` adds "NAME=value" entries to this program's own.
  RunningCli(const Sandbox& sandbox, const QStringList& runArguments,
             const QStringList& environment = {});
  // Runs what `start` sets up and starts on the process, for a run that needs a wrapper.
  explicit RunningCli(const std::function<void(QProcess&)>& start);
  ~RunningCli();

  // Reads the log until `done` holds for what has been printed so far, or the run ends.
  bool WaitForOutput(const std::function<bool(const QString&)>& done);
  // Sends the program a signal; false where the system has none to send (Windows).
  bool Signal(int signalNumber);
  CliResult Finish();

 private:
  QProcess process_;
  QString out_;
};

// The fields of every line of a CSV file of the program (Windows-1251, ";" between quoted fields,
// quotes inside a field doubled, CR LF).
QList<QStringList> ReadCsv(const QString& path);

// The saved log file, decoded the way the program wrote it, with its CR LF turned into LF as the
// printed log has them.
QString ReadLogFile(const QString& path);

// A file's bytes; empty when it cannot be read.
QByteArray FileBytes(const QString& path);

// The CSV files a job left in the program folder: "current.csv" and its one results file (empty
// when there is none, or more than one).
struct JobFiles {
  QByteArray results;
  QByteArray working;
  friend bool operator==(const JobFiles&, const JobFiles&) = default;
};
JobFiles FilesOf(const Sandbox& sandbox);

// How often `part` occurs in `text`.
int Count(const QString& text, const QString& part);

}  // namespace korvath::e2e
