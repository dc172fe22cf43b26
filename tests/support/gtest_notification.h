// GoogleTest's thread-start notification for the Windows builds.
//
// The Windows compilers use the Win32 thread model, whose C++ library has no
// std::mutex or std::condition_variable, and GoogleTest's own notification
// is made of those. This one takes its place: cmake/Dependencies.cmake
// includes it ahead of every file of GoogleTest and of the tests in the
// Windows builds. GoogleTest only uses it to hold the threads of its thread
// helpers back until they are released, so a flag polled with short sleeps
// does; its locks and thread-local values are Win32 ones already.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  // Releases the waiting threads (called by the thread that made it).
  void Notify() { notified_.store(true, std::memory_order_release); }

  // Waits until Notify has been called.
  void WaitForNotification() {
    while (!notified_.load(std::memory_order_acquire)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace testing::internal
