#include "platform/work_thread.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace korvath {

struct WorkThreadState {
  std::function<void()> work;
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  bool detached = false;
};

namespace {

// Threads that have finished their work and wait for more. Never destroyed: the program's end
// takes its threads down without running their clean-up.
class ParkedThreads {
 public:
  void Run(std::shared_ptr<WorkThreadState> state) {
    std::unique_lock lock(mutex_);
    queue_.push_back(std::move(state));
    if (idle_ == 0) {
      std::thread([this] { Serve(); }).detach();
    } else {
      --idle_;
      arrived_.notify_one();
    }
  }

 private:
  void Serve() {
    for (;;) {
      std::shared_ptr<WorkThreadState> state;
      {
        std::unique_lock lock(mutex_);
        arrived_.wait(lock, [this] { return !queue_.empty(); });
        state = std::move(queue_.front());
        queue_.pop_front();
      }
      state->work();
      state->work = nullptr;
      {
        std::lock_guard lock(state->mutex);
        state->done = true;
        state->ended.notify_all();
      }
      state.reset();
      std::lock_guard lock(mutex_);
      ++idle_;
    }
  }

  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<std::shared_ptr<WorkThreadState>> queue_;
  int idle_ = 0;
};

ParkedThreads& Parked() {
  static auto* threads = new ParkedThreads;
  return *threads;
}

}  // namespace

WorkThread::WorkThread(std::function<void()> work) : state_(std::make_shared<WorkThreadState>()) {
  state_->work = std::move(work);
  Parked().Run(state_);
}

WorkThread::~WorkThread() {
  if (state_ && !state_->detached) Join();
}

WorkThread::WorkThread(WorkThread&&) noexcept = default;

void WorkThread::Join() {
  std::unique_lock lock(state_->mutex);
  state_->ended.wait(lock, [this] { return state_->done; });
}

void WorkThread::Detach() { state_->detached = true; }

}  // namespace korvath
