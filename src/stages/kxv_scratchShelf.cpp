#include "stages/kxv_scratchShelf.h"

#include <utility>

namespace Kelvane {

std::vector<unsigned char> KxvScratchShelf::take() noexcept {
  MutexLockGuard hold(lock_);
  if (idleCount_ == 0) return {};
  return std::move(idle_[--idleCount_]);
}

void KxvScratchShelf::putBack(std::vector<unsigned char>&& bytes) noexcept {
  // What is not kept is freed after the lock is let go.
  std::vector<unsigned char> dropped = std::move(bytes);
  if (dropped.empty() || dropped.capacity() > kMaxKeptBytes) return;
  MutexLockGuard hold(lock_);
  if (idleCount_ == kMaxIdle) return;
  idle_[idleCount_++] = std::move(dropped);
}

size_t KxvScratchShelf::idleCount() const {
  MutexLockGuard hold(lock_);
  return idleCount_;
}

}  // namespace Kelvane
