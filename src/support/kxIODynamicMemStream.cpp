#include "support/kxIODynamicMemStream.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "kelvane/kx_status.h"

namespace Kelvane {

namespace {

// The standard library's memory functions, the default of every stream.
void* standardAllocate(size_t size) { return std::malloc(size); }
void standardFree(void* block) { std::free(block); }
void* standardReallocate(void* block, size_t size) { return std::realloc(block, size); }

}  // namespace

KxIODynamicMemStream::KxIODynamicMemStream()
    : allocate_(&standardAllocate), free_(&standardFree), reallocate_(&standardReallocate) {}

KxIODynamicMemStream::~KxIODynamicMemStream() {
  close();
  releaseBlock();
}

void KxIODynamicMemStream::releaseBlock() {
  if (block_ != nullptr) free_(block_);
  block_ = nullptr;
  capacity_ = 0;
  size_ = 0;
}

uint32_t KxIODynamicMemStream::initialize(uint32_t initialSize, AllocateFunction allocate, FreeFunction release,
                                          ReallocateFunction reallocate, float growthFactor) {
  if (open_) return KX_STATUS_WRONG_STREAM_STATE;
  if (allocate == nullptr || release == nullptr) return KX_STATUS_BAD_ARGUMENT;
  // The old block goes back through the functions that made it.
  releaseBlock();
  allocate_ = allocate;
  free_ = release;
  reallocate_ = reallocate;
  return initialize(initialSize, growthFactor);
}

uint32_t KxIODynamicMemStream::initialize(uint32_t initialSize, float growthFactor) {
  if (open_) return KX_STATUS_WRONG_STREAM_STATE;
  if (!(growthFactor > 1.0f && growthFactor <= 2.0f)) return KX_STATUS_BAD_ARGUMENT;
  releaseBlock();
  // An empty initial block is no block at all; the first write allocates.
  if (initialSize > 0) {
    block_ = static_cast<uint8_t*>(allocate_(initialSize));
    if (block_ == nullptr) return KX_STATUS_BLOCK_ALLOCATION;
  }
  initialSize_ = initialSize;
  capacity_ = initialSize;
  eof_ = false;
  growthFactor_ = growthFactor;
  return KX_STATUS_SUCCESS;
}

uint32_t KxIODynamicMemStream::open() {
  if (!open_) {
    eof_ = false;
    open_ = true;
    position_ = 0;
  }
  return KX_STATUS_SUCCESS;
}

uint32_t KxIODynamicMemStream::close() {
  if (open_) {
    position_ = -1;
    open_ = false;
  }
  return KX_STATUS_SUCCESS;
}

bool KxIODynamicMemStream::ensureCapacity(uint64_t needed) {
  if (needed > kMaxBytes) return false;
  if (needed <= capacity_) return true;
  // Grow by the factor, but never past what a stream may hold.
  double grown = static_cast<double>(growthFactor_) * static_cast<double>(capacity_);
  if (grown > kMaxBytes) grown = kMaxBytes;
  uint64_t newCapacity = static_cast<uint64_t>(grown);
  if (newCapacity < needed) newCapacity = needed;
  // Reallocate in place when the stream has a reallocate function, else move the data.
  uint8_t* grownBlock = nullptr;
  if (reallocate_ != nullptr) {
    grownBlock = static_cast<uint8_t*>(reallocate_(block_, static_cast<size_t>(newCapacity)));
  } else {
    grownBlock = static_cast<uint8_t*>(allocate_(static_cast<size_t>(newCapacity)));
    if (grownBlock != nullptr && block_ != nullptr) {
      std::memcpy(grownBlock, block_, size_);
      free_(block_);
    }
  }
  if (grownBlock == nullptr) return false;
  block_ = grownBlock;
  capacity_ = static_cast<uint32_t>(newCapacity);
  return true;
}

uint32_t KxIODynamicMemStream::read(void* destination, uint32_t count) {
  lastStatus_ = KX_STATUS_SUCCESS;
  if (!open_) {
    lastStatus_ = KX_STATUS_WRONG_STREAM_STATE;
    return 0;
  }
  if (position_ >= size_) {
    position_ = size_;
    eof_ = true;
    return 0;
  }
  if (destination == nullptr && count > 0) {
    lastStatus_ = KX_STATUS_BAD_ARGUMENT;
    return 0;
  }
  const uint32_t left = size_ - static_cast<uint32_t>(position_);
  const uint32_t copied = count < left ? count : left;
  if (copied > 0) std::memcpy(destination, block_ + position_, copied);
  position_ += copied;
  eof_ = left < count;
  return copied;
}

uint32_t KxIODynamicMemStream::write(const void* source, uint32_t count) {
  lastStatus_ = KX_STATUS_SUCCESS;
  if (!open_) {
    lastStatus_ = KX_STATUS_WRONG_STREAM_STATE;
    return 0;
  }
  if (source == nullptr && count > 0) {
    lastStatus_ = KX_STATUS_BAD_ARGUMENT;
    return 0;
  }
  eof_ = false;
  // Positions and counts add up in 64 bits, so the end cannot wrap around.
  const uint64_t end = static_cast<uint64_t>(position_) + count;
  if (!ensureCapacity(end)) {
    lastStatus_ = KX_STATUS_BLOCK_ALLOCATION;
    return 0;
  }
  // A position beyond the data leaves a gap that reads as zero bytes.
  if (position_ > size_) std::memset(block_ + size_, 0, static_cast<size_t>(position_ - size_));
  if (count > 0) std::memcpy(block_ + position_, source, count);
  position_ = static_cast<int64_t>(end);
  if (end > size_) size_ = static_cast<uint32_t>(end);
  return count;
}

uint32_t KxIODynamicMemStream::seek(int64_t offset, int origin) {
  if (offset < INT32_MIN || offset > INT32_MAX) return KX_STATUS_BAD_ARGUMENT;
  if (!open_) return KX_STATUS_WRONG_STREAM_STATE;
  int64_t base = 0;
  switch (origin) {
    case KX_SEEK_BEGIN: base = 0; break;
    case KX_SEEK_CURRENT: base = position_; break;
    case KX_SEEK_END: base = size_; break;
    default: return KX_STATUS_FAILURE;
  }
  eof_ = false;
  // A target before the start or past the largest stream is refused and
  // leaves the position where it was.
  const int64_t target = base + offset;
  if (target < 0 || target > static_cast<int64_t>(kMaxBytes)) return KX_STATUS_FAILURE;
  position_ = target;
  return KX_STATUS_SUCCESS;
}

int64_t KxIODynamicMemStream::tell() {
  lastStatus_ = KX_STATUS_SUCCESS;
  return position_;
}

KxIOStreamInf* KxIODynamicMemStream::duplicate() {
  KxIODynamicMemStream* copy = new (std::nothrow) KxIODynamicMemStream();
  if (copy == nullptr) return nullptr;
  copy->allocate_ = allocate_;
  copy->free_ = free_;
  copy->reallocate_ = reallocate_;
  copy->initialSize_ = initialSize_;
  copy->growthFactor_ = growthFactor_;
  // The copy gets a block of the same capacity holding the same data.
  if (capacity_ > 0) {
    copy->block_ = static_cast<uint8_t*>(allocate_(capacity_));
    if (copy->block_ == nullptr) {
      delete copy;
      return nullptr;
    }
    if (size_ > 0) std::memcpy(copy->block_, block_, size_);
  }
  copy->capacity_ = capacity_;
  copy->size_ = size_;
  return copy;
}

}  // namespace Kelvane
