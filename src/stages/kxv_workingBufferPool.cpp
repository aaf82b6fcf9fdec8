#include "stages/kxv_workingBufferPool.h"

#include <new>
#include <utility>

namespace Kelvane {

KxvWorkingBufferPool::Lease::Lease(Lease&& other) noexcept
    : pool_(other.pool_), memory_(std::move(other.memory_)), capacity_(other.capacity_) {
  other.pool_ = nullptr;
  other.capacity_ = 0;
}

KxvWorkingBufferPool::Lease& KxvWorkingBufferPool::Lease::operator=(Lease&& other) noexcept {
  if (this != &other) {
    giveBack();
    pool_ = other.pool_;
    memory_ = std::move(other.memory_);
    capacity_ = other.capacity_;
    other.pool_ = nullptr;
    other.capacity_ = 0;
  }
  return *this;
}

KxvWorkingBufferPool::Lease::~Lease() { giveBack(); }

void KxvWorkingBufferPool::Lease::giveBack() noexcept {
  if (pool_ != nullptr && memory_ != nullptr) pool_->keep(std::move(memory_), capacity_);
  memory_.reset();
  pool_ = nullptr;
  capacity_ = 0;
}

KxvWorkingBufferPool::Lease KxvWorkingBufferPool::acquire(size_t bytes) noexcept {
  if (bytes == 0) return Lease();
  // The smallest idle block that holds the request.
  {
    MutexLockGuard hold(lock_);
    size_t best = idleCount_;
    for (size_t i = 0; i < idleCount_; ++i) {
      if (idle_[i].capacity >= bytes && (best == idleCount_ || idle_[i].capacity < idle_[best].capacity)) best = i;
    }
    if (best != idleCount_) {
      Block taken = std::move(idle_[best]);
      idle_[best] = std::move(idle_[--idleCount_]);
      idleBytes_ -= taken.capacity;
      return Lease(this, std::move(taken.memory), taken.capacity);
    }
  }
  // None fits: a new block, allocated without holding the lock.
  std::unique_ptr<unsigned char[]> memory(new (std::nothrow) unsigned char[bytes]);
  if (memory == nullptr) return Lease();
  return Lease(this, std::move(memory), bytes);
}

void KxvWorkingBufferPool::keep(std::unique_ptr<unsigned char[]> memory, size_t capacity) noexcept {
  // Whatever is not kept ends up here and is freed after the lock is let go.
  std::unique_ptr<unsigned char[]> dropped;
  MutexLockGuard hold(lock_);
  if (capacity > kMaxIdleBytes) return;
  // With every place taken, the smallest idle block gives way to a larger one.
  if (idleCount_ == kMaxIdleBlocks) {
    size_t smallest = 0;
    for (size_t i = 1; i < idleCount_; ++i) {
      if (idle_[i].capacity < idle_[smallest].capacity) smallest = i;
    }
    if (idle_[smallest].capacity >= capacity) return;
    dropped = std::move(idle_[smallest].memory);
    idleBytes_ -= idle_[smallest].capacity;
    idle_[smallest] = std::move(idle_[--idleCount_]);
  }
  if (idleBytes_ + capacity > kMaxIdleBytes) return;
  idle_[idleCount_++] = Block{std::move(memory), capacity};
  idleBytes_ += capacity;
}

size_t KxvWorkingBufferPool::idleCount() const {
  MutexLockGuard hold(lock_);
  return idleCount_;
}

}  // namespace Kelvane
