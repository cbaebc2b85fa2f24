#include "support/child_process.h"

namespace korvath::testing {

void StartAsShellWould(QProcess& process) { process.start(); }

bool SendSignal(const QProcess&, int) { return false; }

}  // namespace korvath::testing
