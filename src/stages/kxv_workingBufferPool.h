// KxvWorkingBufferPool: pixel memory for a stage's working buffers, kept
// between decodes. Memory freshly obtained from the system costs a page fault
// on every first touch, far more than the pixels written into it; a stage
// that decodes tile after tile into working buffers of the same size takes
// them from here instead and finds them already mapped and warm.
//
// Thread safety: any number of decodes may lease at once; each lease is
// exclusive to its holder, and the pool's lock is held only while a block
// changes hands. The pool owns idle blocks; a lease owns its block until it
// ends. Leases must end before the pool is destroyed (a stage holds them only
// within one call).
#ifndef KELVANE_STAGES_KXV_WORKING_BUFFER_POOL_H
#define KELVANE_STAGES_KXV_WORKING_BUFFER_POOL_H

#include <array>
#include <cstddef>
#include <memory>

#include "platform/kxMutex.h"

namespace Kelvane {

class KxvWorkingBufferPool {
 public:
  // At most this many idle blocks, together at most kMaxIdleBytes, are kept:
  // enough for one tile per decoding thread of a typical host, while one
  // unusually large decode never pins its memory after it returns.
  static constexpr size_t kMaxIdleBlocks = 8;
  static constexpr size_t kMaxIdleBytes = size_t{64} << 20;

  // Exclusive use of one block; gives it back to the pool when it ends.
  class Lease {
   public:
    Lease() = default;
    Lease(Lease&& other) noexcept;
    Lease& operator=(Lease&& other) noexcept;
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    ~Lease();

    // At least the requested bytes, suitably aligned for any sample type;
    // null for an empty lease.
    void* data() const { return memory_.get(); }
    explicit operator bool() const { return memory_ != nullptr; }

   private:
    friend class KxvWorkingBufferPool;
    Lease(KxvWorkingBufferPool* pool, std::unique_ptr<unsigned char[]> memory, size_t capacity)
        : pool_(pool), memory_(std::move(memory)), capacity_(capacity) {}
    void giveBack() noexcept;

    KxvWorkingBufferPool* pool_ = nullptr;
    std::unique_ptr<unsigned char[]> memory_;
    size_t capacity_ = 0;
  };

  KxvWorkingBufferPool() = default;
  KxvWorkingBufferPool(const KxvWorkingBufferPool&) = delete;
  KxvWorkingBufferPool& operator=(const KxvWorkingBufferPool&) = delete;

  // A block of at least `bytes`: the smallest idle one that is large enough,
  // else a new one. An empty lease for 0 bytes or when memory runs out.
  // Never throws.
  Lease acquire(size_t bytes) noexcept;

  // Idle blocks held now.
  size_t idleCount() const;

 private:
  struct Block {
    std::unique_ptr<unsigned char[]> memory;
    size_t capacity = 0;
  };

  // Keeps a returned block when there is room, making room by dropping a
  // smaller idle block when needed; otherwise frees it.
  void keep(std::unique_ptr<unsigned char[]> memory, size_t capacity) noexcept;

  mutable MutexLock lock_;                  // guards the three fields below
  std::array<Block, kMaxIdleBlocks> idle_;  // the first idleCount_ entries hold blocks
  size_t idleCount_ = 0;
  size_t idleBytes_ = 0;
};

}  // namespace Kelvane

#endif  // KELVANE_STAGES_KXV_WORKING_BUFFER_POOL_H
