#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>

namespace korvath {

// The held and stop states of one job, shared by the user-interface thread (which holds, releases
// and stops) and the job thread (which waits). A hold takes effect only where the job waits, so the
// job never stands still while holding anything the user-interface thread needs.
class JobHold {
 public:
  void Hold();
  void Release();
  bool IsHeld() const;
  // How many threads a hold keeps still at this moment; shows that a hold has taken effect.
  int HeldWaiters() const;

  // Set once, never cleared. Ends every deadline wait at once; a hold in force still holds.
  void RequestStop();
  bool StopRequested() const;

  // Blocks while the job is held; returns whether a stop was requested.
  bool CheckPoint();
  // Blocks until `deadline` has passed or a stop is requested, and for as long as a hold lasts.
  // Returns whether a stop was requested.
  bool WaitUntil(std::chrono::steady_clock::time_point deadline);

  // Something that waiters may be waiting for has changed (a proxy came back, say): wakes every
  // WaitForSignal. Signals() counts them, so that a waiter misses none that came before it waits.
  void Signal();
  std::uint64_t Signals() const;
  // As WaitUntil, but also ends once a signal has come since `seen` was read from Signals().
  bool WaitForSignal(std::chrono::steady_clock::time_point deadline, std::uint64_t seen);

  // While the returned guard lives, a stop request also calls `onStop` (on the stopping thread):
  // a request in flight is broken off rather than waited for.
  class StopCall {
   public:
    StopCall(JobHold& hold, std::function<void()> onStop);
    ~StopCall();
    StopCall(const StopCall&) = delete;
    StopCall& operator=(const StopCall&) = delete;

   private:
    JobHold& hold_;
    std::list<std::function<void()>>::iterator entry_;
  };

 private:
  void WaitWhileHeld(std::unique_lock<std::mutex>& lock);
  bool Wait(std::chrono::steady_clock::time_point deadline, const std::uint64_t* seen);

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool held_ = false;
  bool stopRequested_ = false;
  int heldWaiters_ = 0;
  std::uint64_t signals_ = 0;
  std::list<std::function<void()>> stopCalls_;
};

}  // namespace korvath
