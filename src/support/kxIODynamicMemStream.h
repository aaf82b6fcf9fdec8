// A stream over a growable memory block, used to assemble log texts. Closing
// keeps the data; opening again rewinds to the start.
#ifndef KELVANE_SUPPORT_KX_IO_DYNAMIC_MEM_STREAM_H
#define KELVANE_SUPPORT_KX_IO_DYNAMIC_MEM_STREAM_H

#include <cstddef>
#include <cstdint>

#include "support/kxIOStreamInf.h"

namespace Kelvane {

class KxIODynamicMemStream : public KxIOStreamInf {
 public:
  using AllocateFunction = void* (*)(size_t size);
  using FreeFunction = void (*)(void* block);
  using ReallocateFunction = void* (*)(void* block, size_t size);

  // The largest data a stream holds: positions and sizes stay 31-bit.
  static constexpr uint32_t kMaxBytes = 0x7FFFFFFFu;

  KxIODynamicMemStream();
  ~KxIODynamicMemStream() override;
  KxIODynamicMemStream(const KxIODynamicMemStream&) = delete;
  KxIODynamicMemStream& operator=(const KxIODynamicMemStream&) = delete;

  bool isEOF() override { return eof_; }
  bool isOpen() override { return open_; }
  uint32_t open() override;
  uint32_t close() override;
  uint32_t read(void* destination, uint32_t count) override;
  uint32_t write(const void* source, uint32_t count) override;
  uint32_t seek(int64_t offset, int origin) override;
  int64_t tell() override;
  KxIOStreamInf* duplicate() override;
  uint32_t getLastError() override { return lastStatus_; }
  const char* getID() override { return "kx_dynamicmemstream:"; }

  // Uses the given memory functions (allocate and free required, reallocate
  // optional), then initialises as below. Any earlier block is freed with
  // the functions that made it.
  virtual uint32_t initialize(uint32_t initialSize, AllocateFunction allocate, FreeFunction release,
                              ReallocateFunction reallocate, float growthFactor);
  // Allocates a block of `initialSize` bytes and empties the stream; the
  // growth factor must lie in (1.0, 2.0]. Refused while open.
  virtual uint32_t initialize(uint32_t initialSize, float growthFactor);

  // The stream's data (valid until the next write or initialisation) and its size.
  const uint8_t* data() const { return block_; }
  uint32_t size() const { return size_; }

 private:
  bool ensureCapacity(uint64_t needed);
  void releaseBlock();

  uint8_t* block_ = nullptr;  // owned, made by allocate_/reallocate_
  uint32_t initialSize_ = 0;
  uint32_t capacity_ = 0;
  uint32_t size_ = 0;      // end of the data
  int64_t position_ = -1;  // -1 while closed; may lie beyond the data after a seek
  bool open_ = false;
  AllocateFunction allocate_ = nullptr;
  FreeFunction free_ = nullptr;
  ReallocateFunction reallocate_ = nullptr;
  uint32_t lastStatus_ = 1;  // 1 until the first operation; 145013 after a failed growth
  bool eof_ = false;
  float growthFactor_ = 0.0f;  // 0 until initialised: grow to exactly what is needed
};

}  // namespace Kelvane

#endif  // KELVANE_SUPPORT_KX_IO_DYNAMIC_MEM_STREAM_H
