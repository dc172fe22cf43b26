// Threads on Windows: the Win32 calls themselves. Condition variables are
// built from one event per waiting thread (the system's own condition
// variables are missing before Vista): a notification sets the events of
// the threads waiting at that moment, oldest first, so no wake-up goes to a
// thread that began waiting later.
#include <windows.h>
// clang-format off
#include <process.h>
// clang-format on

#include <deque>
#include <exception>

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
  CRITICAL_SECTION section;  // guards waiters
  std::deque<HANDLE> waiters;
  State() { InitializeCriticalSection(&section); }
  ~State() { DeleteCriticalSection(&section); }
  State(const State&) = delete;
  State& operator=(const State&) = delete;
};

namespace {

class EventHandle {
 public:
  EventHandle() : handle_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
    if (handle_ == nullptr) RaiseLastOsError();
  }
  ~EventHandle() { CloseHandle(handle_); }
  EventHandle(const EventHandle&) = delete;
  EventHandle& operator=(const EventHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

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
  EventHandle event;
  {
    SectionLock guard(&state_->section);
    state_->waiters.push_back(event.get());
  }
  // Set by a notification that took it off the list; it stays set until
  // waited for, so a notification between these two steps is not lost.
  lock.mutex_->Unlock();
  WaitForSingleObject(event.get(), INFINITE);
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
