#include "platform/interrupt_signal.h"

#include <QMetaObject>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>

#include <windows.h>

namespace korvath {

namespace {

// Windows ends a program whose console window is closed about five seconds after it asks; the
// handler holds it until the job has run its finish steps (results and log saved), within that.
constexpr std::chrono::milliseconds kCloseGrace(4500);

std::mutex mutex;
std::condition_variable released;
InterruptSignal* current = nullptr;

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  std::unique_lock lock(mutex);
  if (current == nullptr) return FALSE;
  InterruptSignal* target = current;
  QMetaObject::invokeMethod(
      target, [target] { emit target->interrupted(); }, Qt::QueuedConnection);
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
  released.wait_for(lock, kCloseGrace, [] { return current == nullptr; });
  return TRUE;
}

}  // namespace

InterruptSignal::InterruptSignal(QObject* parent) : QObject(parent) {
  {
    std::lock_guard lock(mutex);
    if (current != nullptr) throw std::logic_error("only one InterruptSignal at a time");
    current = this;
  }
  if (!SetConsoleCtrlHandler(OnConsoleEvent, TRUE)) {
    const DWORD error = GetLastError();
    std::lock_guard lock(mutex);
    current = nullptr;
    throw std::runtime_error("SetConsoleCtrlHandler: error " + std::to_string(error));
  }
}

InterruptSignal::~InterruptSignal() {
  SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
  std::lock_guard lock(mutex);
  current = nullptr;
  released.notify_all();
}

}  // namespace korvath
