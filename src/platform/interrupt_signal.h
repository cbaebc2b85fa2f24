#pragma once

#include <QObject>

namespace korvath {

// Turns the system's requests to stop the program into a Qt signal on the thread that created it:
// SIGINT and SIGTERM on Linux; Ctrl+C, Ctrl+Break and the closing of the console window on
// Windows. One instance at a time; what was there before comes back when it is destroyed.
class InterruptSignal final : public QObject {
  Q_OBJECT

 public:
  explicit InterruptSignal(QObject* parent = nullptr);
  ~InterruptSignal() override;

 signals:
  void interrupted();

 private:
  // The system's own means of hearing the request (on Linux, the notifier of the pipe that the
  // signal handler writes to).
  QObject* listener_ = nullptr;
};

}  // namespace korvath
