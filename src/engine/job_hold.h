#pragma once

#include <chrono>
#include <condition_variable>
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

 private:
  void WaitWhileHeld(std::unique_lock<std::mutex>& lock);

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool held_ = false;
  bool stopRequested_ = false;
  int heldWaiters_ = 0;
};

}  // namespace korvath
