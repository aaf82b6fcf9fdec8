// KxvScratchShelf: the working memory of a stage's pixel kernels (a few
// hundred KiB at most), kept between decodes. A kernel's scratch vector,
// grown and zeroed on first use, is found ready by the next decode instead
// of being allocated, cleared and faulted in again for every tile.
//
// Thread safety: any number of decodes may take a vector at once; each is
// exclusive to its holder, and the shelf's lock is held only while a vector
// changes hands. Vectors must go back before the shelf is destroyed (a stage
// holds them only within one call).
#ifndef KELVANE_STAGES_KXV_SCRATCH_SHELF_H
#define KELVANE_STAGES_KXV_SCRATCH_SHELF_H

#include <array>
#include <cstddef>
#include <vector>

#include "platform/kxMutex.h"

namespace Kelvane {

class KxvScratchShelf {
 public:
  // At most this many vectors wait on the shelf: one per decoding thread of
  // a typical host. A vector larger than kMaxKeptBytes is freed instead, so
  // that one unusual kernel never pins its memory.
  static constexpr size_t kMaxIdle = 8;
  static constexpr size_t kMaxKeptBytes = size_t{1} << 20;

  // Exclusive use of one vector; puts it back when it ends.
  class Lease {
   public:
    explicit Lease(KxvScratchShelf& shelf) : shelf_(shelf), bytes_(shelf.take()) {}
    ~Lease() { shelf_.putBack(std::move(bytes_)); }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;

    std::vector<unsigned char>& bytes() { return bytes_; }

   private:
    KxvScratchShelf& shelf_;
    std::vector<unsigned char> bytes_;
  };

  KxvScratchShelf() = default;
  KxvScratchShelf(const KxvScratchShelf&) = delete;
  KxvScratchShelf& operator=(const KxvScratchShelf&) = delete;

  // Vectors waiting now.
  size_t idleCount() const;

 private:
  // The most recently returned vector, or an empty one. Never throws.
  std::vector<unsigned char> take() noexcept;
  void putBack(std::vector<unsigned char>&& bytes) noexcept;

  mutable MutexLock lock_;                                 // guards the two fields below
  std::array<std::vector<unsigned char>, kMaxIdle> idle_;  // the first idleCount_ hold memory
  size_t idleCount_ = 0;
};

}  // namespace Kelvane

#endif  // KELVANE_STAGES_KXV_SCRATCH_SHELF_H
