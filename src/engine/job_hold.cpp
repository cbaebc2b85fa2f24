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
    // Called under the lock, so that no guard can go away (and take its fetcher with it) meanwhile;
    // the calls only flag and post, they never wait.
    for (const std::function<void()>& onStop : stopCalls_) onStop();
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
  return Wait(deadline, nullptr);
}

void JobHold::Signal() {
  {
    std::lock_guard lock(mutex_);
    ++signals_;
  }
  changed_.notify_all();
}

std::uint64_t JobHold::Signals() const {
  std::lock_guard lock(mutex_);
  return signals_;
}

bool JobHold::WaitForSignal(std::chrono::steady_clock::time_point deadline, std::uint64_t seen) {
  return Wait(deadline, &seen);
}

bool JobHold::Wait(std::chrono::steady_clock::time_point deadline, const std::uint64_t* seen) {
  std::unique_lock lock(mutex_);
  const auto signalled = [&] { return seen != nullptr && signals_ != *seen; };
  for (;;) {
    // A deadline already past (no pause between requests) is not waited for at all: even a wait
    // that ends at once costs a system call and a kernel timer, at every request of the job.
    if (std::chrono::steady_clock::now() < deadline) {
      changed_.wait_until(lock, deadline, [&] { return stopRequested_ || held_ || signalled(); });
    }
    // A hold in force keeps the job here, past the deadline and despite a stop request.
    WaitWhileHeld(lock);
    if (stopRequested_ || signalled() || std::chrono::steady_clock::now() >= deadline) {
      return stopRequested_;
    }
  }
}

JobHold::StopCall::StopCall(JobHold& hold, std::function<void()> onStop) : hold_(hold) {
  std::lock_guard lock(hold_.mutex_);
  entry_ = hold_.stopCalls_.insert(hold_.stopCalls_.end(), std::move(onStop));
  if (hold_.stopRequested_) (*entry_)();
}

JobHold::StopCall::~StopCall() {
  std::lock_guard lock(hold_.mutex_);
  hold_.stopCalls_.erase(entry_);
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
