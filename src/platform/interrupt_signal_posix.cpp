#include "platform/interrupt_signal.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>
#include <string>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace korvath {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM};

int pipeEnds[2] = {-1, -1};
struct sigaction previous[std::size(kSignals)];

// The handler only writes one byte to a pipe, the one thing that is safe inside a signal handler;
// the event loop reads it.
void OnSignal(int) {
  const int savedErrno = errno;
  const char byte = 1;
  // A full pipe already holds an unread request; losing this one changes nothing.
  [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
  errno = savedErrno;
}

[[noreturn]] void ThrowSystemError(const char* what) {
  throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

}  // namespace

InterruptSignal::InterruptSignal(QObject* parent) : QObject(parent) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, pipeEnds) != 0) {
    ThrowSystemError("socketpair");
  }
  auto* notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
  listener_ = notifier;
  connect(notifier, &QSocketNotifier::activated, this, [this] {
    char bytes[64];
    bool any = false;
    while (::read(pipeEnds[0], bytes, sizeof bytes) > 0) any = true;
    if (any) emit interrupted();
  });

  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    if (::sigaction(kSignals[i], &action, &previous[i]) != 0) ThrowSystemError("sigaction");
  }
}

InterruptSignal::~InterruptSignal() {
  for (std::size_t i = 0; i < std::size(kSignals); ++i)
    ::sigaction(kSignals[i], &previous[i], nullptr);
  delete listener_;
  ::close(pipeEnds[0]);
  ::close(pipeEnds[1]);
  pipeEnds[0] = pipeEnds[1] = -1;
}

}  // namespace korvath
