#include "engine/job_hold.h"

namespace korvath {

void JobHold::Hold() {
  std::lock_guard lock(mutex_);
  held_ = true;
}

void JobHold::Release() {
  {
    std::lock_guard lock(mutex_);
    held_ = false;
  }
  changed_.notify_all();
}

bool JobHold::IsHeld() const {
  std::lock_guard lock(mutex_);
  return held_;
}

int JobHold::HeldWaiters() const {
  std::lock_guard lock(mutex_);
  return heldWaiters_;
}

void JobHold::RequestStop() {
  {
    std::lock_guard lock(mutex_);
    stopRequested_ = true;
  }
  changed_.notify_all();
}

bool JobHold::StopRequested() const {
  std::lock_guard lock(mutex_);
  return stopRequested_;
}

bool JobHold::CheckPoint() {
  std::unique_lock lock(mutex_);
  WaitWhileHeld(lock);
  return stopRequested_;
}

bool JobHold::WaitUntil(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  for (;;) {
    // A deadline already past (no pause between requests) is not waited for at all: even a wait
    // that ends at once costs a system call and a kernel timer, at every request of the job.
    if (std::chrono::steady_clock::now() < deadline) {
      changed_.wait_until(lock, deadline, [this] { return stopRequested_ || held_; });
    }
    // A hold in force keeps the job here, past the deadline and despite a stop request.
    WaitWhileHeld(lock);
    if (stopRequested_ || std::chrono::steady_clock::now() >= deadline) {
      return stopRequested_;
    }
  }
}

void JobHold::WaitWhileHeld(std::unique_lock<std::mutex>& lock) {
  if (!held_) {
    return;
  }
  ++heldWaiters_;
  changed_.wait(lock, [this] { return !held_; });
  --heldWaiters_;
}

}  // namespace korvath
