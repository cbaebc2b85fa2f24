#pragma once

#include "e2e_support.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace korvath::e2e {

// The demo engine on a port fixed for its whole life, so that it can die and come back where the
// program expects it.
class RestartableEngine {
 public:
  explicit RestartableEngine(const QStringList& options);

  void Stop();
  void Start();
  QString Origin() const;
  int Port() const { return port_; }

 private:
  QStringList options_;
  int port_ = 0;
  std::unique_ptr<DemoEngine> engine_;
};

// Why this process cannot give a run a mount namespace of its own (not root, or no
// CAP_SYS_ADMIN); empty when it can.
QString MountNamespaceUnavailable();

// `korvath-cli run` in the sandbox, like RunningCli, but in a mount namespace of its own in which
// the shell commands `mounts` ran first, with $P naming the program folder and $W the working
// folder. Nothing mounted there is seen outside the run or outlives it. With `keep`, the program
// folder's files are copied there when the run ends, since a filesystem mounted over that folder
// goes with the run; without it, a signal reaches korvath-cli itself.
RunningCli StartMountedCli(const Sandbox& sandbox, const QString& mounts,
                           const QStringList& runArguments, const QString& keep = {});

}  // namespace korvath::e2e
