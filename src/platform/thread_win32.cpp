// Threads on Windows: the Win32 calls themselves. Condition variables are
// built from one event per waiting thread (the system's own condition
// variables are missing before Vista): a notification sets the events of
// the threads waiting at that moment, oldest first, so no wake-up goes to a
// thread that began waiting later. The events are kept for the next waits:
// creating one per wait costs a system call each time.
#include <windows.h>
// clang-format off
#include <process.h>
// clang-format on

#include <deque>
#include <exception>
#include <vector>

#include "platform/platform_error.h"
#include "platform/thread.h"

namespace vor::platform {

int32_t ProcessorCount() {
  DWORD_PTR process = 0;
  DWORD_PTR system = 0;
  int32_t count = 0;
  if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system)) {
    for (; process != 0; process &= process - 1) ++count;
  }
  if (count == 0) {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    count = static_cast<int32_t>(info.dwNumberOfProcessors);
  }
  return count > 0 ? count : 1;
}

struct Thread::State {
  std::function<void()> body;
  HANDLE handle = nullptr;
};

namespace {

unsigned __stdcall RunThread(void* state) {
  try {
    static_cast<std::function<void()>*>(state)->operator()();
  } catch (...) {
    std::terminate();
  }
  return 0;
}

}  // namespace

Thread::Thread(std::function<void()> body) : state_(std::make_unique<State>()) {
  state_->body = std::move(body);
  // _beginthreadex rather than CreateThread: the C runtime sets up its
  // per-thread data for the new thread.
  const uintptr_t handle = _beginthreadex(nullptr, 0, RunThread, &state_->body, 0, nullptr);
  if (handle == 0) RaiseLastOsError();
  state_->handle = reinterpret_cast<HANDLE>(handle);
}

void Thread::Join() {
  if (!state_) return;
  WaitForSingleObject(state_->handle, INFINITE);
  CloseHandle(state_->handle);
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
  CRITICAL_SECTION section;
  State() { InitializeCriticalSection(&section); }
  ~State() { DeleteCriticalSection(&section); }
  State(const State&) = delete;
  State& operator=(const State&) = delete;
};

Mutex::Mutex() : state_(std::make_unique<State>()) {}
Mutex::~Mutex() = default;
void Mutex::Lock() { EnterCriticalSection(&state_->section); }
void Mutex::Unlock() { LeaveCriticalSection(&state_->section); }

struct ConditionVariable::State {
  CRITICAL_SECTION section;  // guards waiters and spare
  std::deque<HANDLE> waiters;
  std::vector<HANDLE> spare;  // events of earlier waits, not set
  State() { InitializeCriticalSection(&section); }
  ~State() {
    for (HANDLE event : spare) CloseHandle(event);
    DeleteCriticalSection(&section);
  }
  State(const State&) = delete;
  State& operator=(const State&) = delete;
};

namespace {

class SectionLock {
 public:
  explicit SectionLock(CRITICAL_SECTION* section) : section_(section) {
    EnterCriticalSection(section_);
  }
  ~SectionLock() { LeaveCriticalSection(section_); }
  SectionLock(const SectionLock&) = delete;
  SectionLock& operator=(const SectionLock&) = delete;

 private:
  CRITICAL_SECTION* section_;
};

}  // namespace

ConditionVariable::ConditionVariable() : state_(std::make_unique<State>()) {}
ConditionVariable::~ConditionVariable() = default;

void ConditionVariable::Wait(MutexLock& lock) {
  HANDLE event = nullptr;
  {
    SectionLock guard(&state_->section);
    if (!state_->spare.empty()) {
      event = state_->spare.back();
      state_->spare.pop_back();
    } else {
      event = CreateEventA(nullptr, FALSE, FALSE, nullptr);  // auto-reset
      if (event == nullptr) RaiseLastOsError();
    }
    try {
      state_->waiters.push_back(event);
    } catch (...) {
      CloseHandle(event);
      throw;
    }
  }
  // Set by a notification that took it off the list; it stays set until
  // waited for, so a notification between these two steps is not lost. The
  // wait resets it, so it goes back to the spares unset.
  lock.mutex_->Unlock();
  WaitForSingleObject(event, INFINITE);
  {
    SectionLock guard(&state_->section);
    try {
      state_->spare.push_back(event);
    } catch (...) {
      CloseHandle(event);  // no room to keep it: the next wait makes one
    }
  }
  lock.mutex_->Lock();
}

void ConditionVariable::NotifyOne() {
  SectionLock guard(&state_->section);
  if (state_->waiters.empty()) return;
  SetEvent(state_->waiters.front());
  state_->waiters.pop_front();
}

void ConditionVariable::NotifyAll() {
  SectionLock guard(&state_->section);
  for (HANDLE event : state_->waiters) SetEvent(event);
  state_->waiters.clear();
}

}  // namespace vor::platform
