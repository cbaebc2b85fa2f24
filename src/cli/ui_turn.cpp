#include "cli/ui_turn.h"

#include <QThread>

namespace korvath {

std::recursive_mutex& UiTurn() {
  static std::recursive_mutex turn;
  return turn;
}

TurnTakingApplication::TurnTakingApplication(int& argc, char** argv)
    : QCoreApplication(argc, argv) {}

bool TurnTakingApplication::notify(QObject* receiver, QEvent* event) {
  if (QThread::currentThread() != thread()) return QCoreApplication::notify(receiver, event);
  std::lock_guard turn(UiTurn());
  return QCoreApplication::notify(receiver, event);
}

}  // namespace korvath
