#pragma once

#include <QProcess>

namespace korvath::testing {

// Starts `process` as a shell would: on Linux with SIGPIPE at its default, which this test
// program may have ignored.
void StartAsShellWould(QProcess& process);

// Sends `signalNumber` to the running program `process`; false where the system has no signals
// to send another program (Windows), so that the test can skip.
bool SendSignal(const QProcess& process, int signalNumber);

// Asks the running program to end as the system asks at shutdown, and waits until it has, for
// up to `waitMs`; kills it after that. A console program on Windows cannot be asked: it is killed.
void EndProcess(QProcess& process, int waitMs);

}  // namespace korvath::testing
