// What one hand-off costs the job thread while the user-interface thread sits in its event loop:
// the window's way (the routine travels to that thread and the job waits for it) and the headless
// run's way (the job takes the main thread's turn and runs the routine itself).
#include "cli/ui_turn.h"
#include "results/ui_hand_off.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <mutex>
#include <thread>

namespace {

constexpr int kHandOffs = 20000;

double MicrosecondsPerHandOff(const std::function<void(const std::function<void()>&)>& handOff) {
  int counter = 0;
  double result = 0;
  std::thread job([&] {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kHandOffs; ++i) handOff([&counter] { ++counter; });
    const std::chrono::duration<double, std::micro> spent =
        std::chrono::steady_clock::now() - start;
    result = spent.count() / kHandOffs;
    korvath::QueuedHandOff(QCoreApplication::instance()->thread(),
                           [] { QCoreApplication::quit(); });
  });
  QCoreApplication::exec();
  job.join();
  return result;
}

}  // namespace

int main(int argc, char* argv[]) {
  korvath::TurnTakingApplication app(argc, argv);
  QObject uiObject;
  const double travelling =
      MicrosecondsPerHandOff([&uiObject](const std::function<void()>& routine) {
        korvath::BlockingHandOff(&uiObject, routine);
      });
  const double turn = MicrosecondsPerHandOff([](const std::function<void()>& routine) {
    std::lock_guard hold(korvath::UiTurn());
    routine();
  });
  std::printf("%d hand-offs of an empty routine, main thread idle in its event loop\n", kHandOffs);
  std::printf("window (to the user-interface thread and back): %8.2f us each\n", travelling);
  std::printf("headless (the main thread's turn):               %8.2f us each\n", turn);
  std::printf("ratio: %.0f\n", travelling / turn);
}
