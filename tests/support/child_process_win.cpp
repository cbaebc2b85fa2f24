#include "support/child_process.h"

namespace korvath::testing {

void StartAsShellWould(QProcess& process) { process.start(); }

bool SendSignal(const QProcess&, int) { return false; }

void EndProcess(QProcess& process, int) {
  process.kill();
  process.waitForFinished();
}

}  // namespace korvath::testing
