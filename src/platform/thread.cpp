// The lock of a scope, the same on every system.
#include "platform/thread.h"

namespace vor::platform {

MutexLock::MutexLock(Mutex& mutex, bool engage) : mutex_(engage ? &mutex : nullptr) {
  if (mutex_ != nullptr) mutex_->Lock();
}

MutexLock::~MutexLock() { Release(); }

void MutexLock::Release() {
  if (mutex_ != nullptr) mutex_->Unlock();
  mutex_ = nullptr;
}

}  // namespace vor::platform
