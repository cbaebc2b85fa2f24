#pragma once

namespace korvath::testing {

// A TCP port on 127.0.0.1 that was free a moment ago, for a program that wants its port named.
int FreeLoopbackPort();

// Waits until something accepts connections on 127.0.0.1:`port`; false when nothing does within
// the generous limit meant for a slow machine.
bool WaitUntilListening(int port);

}  // namespace korvath::testing
