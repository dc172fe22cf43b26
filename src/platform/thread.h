// Threads, mutexes and condition variables.
//
// The system's own threads: on Windows the Win32 calls themselves (no
// emulation layer in the installer program), on POSIX the C++ library's.
// Every object owns what it creates: a Thread is waited for by its
// destructor, a Mutex is held only through a MutexLock.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace vor::platform {

// The number of processors the program may run on (at least 1).
int32_t ProcessorCount();

// A thread running one function. The destructor waits for the function to
// return; a function must not let an exception escape (the program ends).
class Thread {
 public:
  // Starts body on a new thread; raises EPlatformError when the system has
  // no thread to give.
  explicit Thread(std::function<void()> body);
  ~Thread();
  Thread(Thread&& other) noexcept;
  Thread& operator=(Thread&& other) noexcept;
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Waits for the function to return (once; later calls return at once).
  void Join();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// A mutual-exclusion lock, not recursive.
class Mutex {
 public:
  Mutex();
  ~Mutex();
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

 private:
  friend class MutexLock;
  friend class ConditionVariable;
  void Lock();
  void Unlock();
  struct State;
  std::unique_ptr<State> state_;
};

// Holds a mutex for a scope. engage false makes an empty lock (for a mutex
// that only some paths need).
class MutexLock {
 public:
  explicit MutexLock(Mutex& mutex, bool engage = true);
  ~MutexLock();
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

  // Gives the mutex up before the scope ends.
  void Release();

 private:
  friend class ConditionVariable;
  Mutex* mutex_;
};

// Threads waiting, with a mutex held, until another thread notifies them.
class ConditionVariable {
 public:
  ConditionVariable();
  ~ConditionVariable();
  ConditionVariable(const ConditionVariable&) = delete;
  ConditionVariable& operator=(const ConditionVariable&) = delete;

  // Releases the lock's mutex while waiting, holds it again on return. A
  // wait may end without a notification: callers wait in a loop on their
  // condition (the overload with a predicate does).
  void Wait(MutexLock& lock);
  template <class Predicate>
  void Wait(MutexLock& lock, Predicate done) {
    while (!done()) Wait(lock);
  }
  // Wakes one waiting thread, or every waiting thread.
  void NotifyOne();
  void NotifyAll();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace vor::platform
