#include "support/child_process.h"

#include <csignal>

namespace korvath::testing {

void StartAsShellWould(QProcess& process) {
  process.setChildProcessModifier([] { ::signal(SIGPIPE, SIG_DFL); });
  process.start();
}

bool SendSignal(const QProcess& process, int signalNumber) {
  // An ended process has no id, and kill(0, …) would signal this whole process group.
  if (const qint64 id = process.processId(); id > 0) ::kill(static_cast<pid_t>(id), signalNumber);
  return true;
}

void EndProcess(QProcess& process, int waitMs) {
  process.terminate();
  if (!process.waitForFinished(waitMs)) {
    process.kill();
    process.waitForFinished();
  }
}

}  // namespace korvath::testing
