#include "platform/work_thread.h"

#include <thread>

namespace korvath {

struct WorkThreadState {
  std::thread thread;
};

WorkThread::WorkThread(std::function<void()> work) : state_(std::make_shared<WorkThreadState>()) {
  state_->thread = std::thread(std::move(work));
}

WorkThread::~WorkThread() {
  if (state_) Join();
}

WorkThread::WorkThread(WorkThread&&) noexcept = default;

void WorkThread::Join() {
  if (state_->thread.joinable()) state_->thread.join();
}

void WorkThread::Detach() {
  if (state_->thread.joinable()) state_->thread.detach();
}

}  // namespace korvath
