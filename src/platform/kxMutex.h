// An unnamed, process-local mutex (stand-in for an unnamed platform mutex
// handle) and a guard that holds it for one scope.
#ifndef KELVANE_PLATFORM_KX_MUTEX_H
#define KELVANE_PLATFORM_KX_MUTEX_H

#include <mutex>

namespace Kelvane {

// Serialises only the threads of this process that share the object; two
// objects, or two processes, are never serialised with each other.
class MutexLock {
 public:
  MutexLock() = default;
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

  // Waits without a time limit.
  void lock() { mutex_.lock(); }
  void unlock() { mutex_.unlock(); }

 private:
  std::mutex mutex_;
};

// Holds a MutexLock from construction to the end of the scope.
class MutexLockGuard {
 public:
  explicit MutexLockGuard(MutexLock& lock) : lock_(lock) { lock_.lock(); }
  ~MutexLockGuard() { lock_.unlock(); }
  MutexLockGuard(const MutexLockGuard&) = delete;
  MutexLockGuard& operator=(const MutexLockGuard&) = delete;

 private:
  MutexLock& lock_;
};

}  // namespace Kelvane

#endif  // KELVANE_PLATFORM_KX_MUTEX_H
