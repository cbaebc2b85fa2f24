#pragma once

#include <QObject>

class QSocketNotifier;

namespace korvath {

// Turns SIGINT and SIGTERM into a Qt signal on the thread that created it. The handler only writes
// one byte to a pipe, the one thing that is safe inside a signal handler; the event loop reads it.
// One instance at a time; the previous dispositions come back when it is destroyed.
class InterruptSignal final : public QObject {
  Q_OBJECT

 public:
  explicit InterruptSignal(QObject* parent = nullptr);
  ~InterruptSignal() override;

 signals:
  void interrupted();

 private:
  void Drain();

  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace korvath
