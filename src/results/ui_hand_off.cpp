#include "results/ui_hand_off.h"

#include <QMetaObject>
#include <QThread>

#include <exception>
#include <stdexcept>

namespace korvath {

void BlockingHandOff(QObject* uiObject, const std::function<void()>& routine) {
  if (uiObject == nullptr) {
    throw std::runtime_error("No user-interface object to hand the routine to");
  }
  if (uiObject->thread() == QThread::currentThread()) {
    routine();
    return;
  }
  bool ran = false;
  std::exception_ptr failure;
  const bool queued = QMetaObject::invokeMethod(
      uiObject,
      [&] {
        ran = true;
        try {
          routine();
        } catch (...) {
          failure = std::current_exception();
        }
      },
      Qt::BlockingQueuedConnection);
  // Qt lets a blocked caller go without running the call when the object goes away first.
  if (!queued || !ran) {
    throw std::runtime_error("The user-interface thread did not run the handed-off routine");
  }
  if (failure) {
    std::rethrow_exception(failure);
  }
}

}  // namespace korvath
