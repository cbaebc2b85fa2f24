#include "results/ui_hand_off.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

#include <condition_variable>
#include <exception>
#include <mutex>
#include <stdexcept>

namespace korvath {
namespace {

const QEvent::Type kHandOffEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

// Publishes each call to the receiving thread (see HandOffCall). Static, so that the lock itself
// needs no publishing.
std::mutex publication;

// Tells the waiting caller that its routine has run. A mutex and a condition variable rather than
// a std::promise: libstdc++'s future waits on a bare futex, which thread checkers cannot see, so
// they took every hand-off for a race.
class Completion {
 public:
  // Notifies under the lock: once the waiter is back, this thread never touches the completion
  // again, so the waiter may be gone right after.
  void Signal() {
    std::lock_guard lock(mutex_);
    done_ = true;
    changed_.notify_all();
  }
  void Wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return done_; });
    done_ = false;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool done_ = false;
};

// One handed-off routine, run when its event arrives on the receiving thread.
//
// Everything the two threads share is published through a std::mutex before the event is
// posted, not only through Qt's event queue: the queue's own locking is invisible to thread
// checkers, which would otherwise flag every hand-off.
class HandOffCall final : public QObject {
 public:
  explicit HandOffCall(std::function<void()> routine) : routine_(std::move(routine)) {}

  // `outcome` is told when the routine has run; it must outlive the call's run.
  void TellWhenDone(Completion* outcome) { outcome_ = outcome; }

  // Posts the call to `thread`. Everything the caller did before is visible to the routine.
  void Post(QThread* thread) {
    moveToThread(thread);
    auto* event = new QEvent(kHandOffEvent);
    { std::lock_guard lock(publication); }
    QCoreApplication::postEvent(this, event);
  }

 protected:
  void customEvent(QEvent* event) override {
    { std::lock_guard lock(publication); }
    if (event->type() != kHandOffEvent) {
      return;
    }
    routine_();
    if (outcome_) outcome_->Signal();
    deleteLater();
  }

 private:
  std::function<void()> routine_;
  Completion* outcome_ = nullptr;
};

}  // namespace

void BlockingHandOff(QObject* uiObject, const std::function<void()>& routine) {
  if (uiObject == nullptr) {
    throw std::runtime_error("No user-interface object to hand the routine to");
  }
  QThread* const uiThread = uiObject->thread();
  if (uiThread == QThread::currentThread()) {
    routine();
    return;
  }
  // The call refers to the routine rather than copying it; the caller waits until it has run. A
  // failure is kept here, on the caller's side, so that the receiving thread has let go of it
  // before the caller is told that the routine is done.
  std::exception_ptr failure;
  auto* call = new HandOffCall([&routine, &failure] {
    try {
      routine();
    } catch (...) {
      failure = std::current_exception();
    }
  });
  // On the caller's stack rather than one per thread: MinGW's runtime may free a thread's
  // thread-local storage before it runs the destructors of what lives there, and the
  // completion's mutex would be destroyed in freed memory as the thread ends.
  Completion done;
  call->TellWhenDone(&done);
  call->Post(uiThread);
  done.Wait();
  if (failure) {
    std::rethrow_exception(failure);
  }
}

void QueuedHandOff(QThread* uiThread, std::function<void()> routine) {
  (new HandOffCall(std::move(routine)))->Post(uiThread);
}

}  // namespace korvath
