#pragma once

#include <functional>
#include <memory>

namespace korvath {

struct WorkThreadState;

// Runs work that uses Qt on a thread of its own. On Windows the thread does not end when its
// work does: the MinGW runtime frees a thread's thread-local storage before Qt's own clean-up of
// the thread reads it, which now and then crashes the program as such a thread ends. It waits
// for the next work instead, for the program's life. On Linux it is an ordinary thread.
class WorkThread {
 public:
  // Starts `work`, which must not throw. Throws std::system_error when no thread can be had.
  explicit WorkThread(std::function<void()> work);
  // Waits for the work to end, unless it was let go.
  ~WorkThread();
  WorkThread(WorkThread&&) noexcept;
  WorkThread& operator=(WorkThread&&) = delete;

  // Waits until the work has ended.
  void Join();
  // Lets the work run on by itself; nothing waits for it.
  void Detach();

 private:
  std::shared_ptr<WorkThreadState> state_;
};

}  // namespace korvath
