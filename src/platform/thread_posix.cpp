// Threads on POSIX: the C++ library's threads, mutexes and condition
// variables.
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/platform_error.h"
#include "platform/thread.h"

namespace vor::platform {

int32_t ProcessorCount() {
  const unsigned n = std::thread::hardware_concurrency();
  return n > 0 ? static_cast<int32_t>(n) : 1;
}

struct Thread::State {
  std::thread thread;
};

Thread::Thread(std::function<void()> body) : state_(std::make_unique<State>()) {
  try {
    state_->thread = std::thread([body = std::move(body)] {
      try {
        body();
      } catch (...) {
        std::terminate();
      }
    });
  } catch (const std::system_error& e) {
    throw EPlatformError(static_cast<uint32_t>(e.code().value()),
                         OsErrorMessage(static_cast<uint32_t>(e.code().value())));
  }
}

void Thread::Join() {
  if (!state_) return;
  state_->thread.join();
  state_.reset();
}

Thread::~Thread() { Join(); }

Thread::Thread(Thread&& other) noexcept = default;

Thread& Thread::operator=(Thread&& other) noexcept {
  if (this != &other) {
    Join();
    state_ = std::move(other.state_);
  }
  return *this;
}

struct Mutex::State {
  std::mutex mutex;
};

Mutex::Mutex() : state_(std::make_unique<State>()) {}
Mutex::~Mutex() = default;
void Mutex::Lock() { state_->mutex.lock(); }
void Mutex::Unlock() { state_->mutex.unlock(); }

struct ConditionVariable::State {
  std::condition_variable condition;
};

ConditionVariable::ConditionVariable() : state_(std::make_unique<State>()) {}
ConditionVariable::~ConditionVariable() = default;

void ConditionVariable::Wait(MutexLock& lock) {
  // The lock's mutex is held: handed to the library's lock for the wait and
  // taken back after it.
  std::unique_lock<std::mutex> held(lock.mutex_->state_->mutex, std::adopt_lock);
  state_->condition.wait(held);
  held.release();
}

void ConditionVariable::NotifyOne() { state_->condition.notify_one(); }
void ConditionVariable::NotifyAll() { state_->condition.notify_all(); }

}  // namespace vor::platform
