#pragma once

#include <QCoreApplication>

#include <mutex>

namespace korvath {

// The headless run's user-interface thread is a turn rather than a thread: whoever holds it acts
// as that thread for the moment. The main thread holds it while it delivers an event (every user
// action, timer and queued call of the run arrives as one) and around the code it runs outside
// its event loop; the job thread holds it for the length of a hand-off. With no widgets that only
// the main thread may touch, a hand-off then costs a lock instead of two thread switches, and
// nothing the main thread does can overlap a handed-off routine.
std::recursive_mutex& UiTurn();

// The headless run's application: takes the turn around every event delivered on its own thread.
class TurnTakingApplication final : public QCoreApplication {
 public:
  TurnTakingApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace korvath
