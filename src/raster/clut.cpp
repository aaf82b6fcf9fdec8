#include "raster/clut.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "kelvane/kx_exception.h"
#include "kelvane/kx_status.h"

namespace Kelvane {

uint64_t sampleSpan(const ImageBufferInfo& info) {
  uint64_t span = 1;
  const uint32_t* map = info.sampleMap();
  for (uint8_t i = 0; map != nullptr && i < info.bandCount(); ++i) span = std::max<uint64_t>(span, map[i] + 1ull);
  return span;
}

namespace {

// Bytes from the first entry's first sample to the last entry's last mapped
// sample; 0 for an empty table.
size_t storageBytes(const ImageBufferInfo& info, uint32_t count) {
  if (count == 0) return 0;
  const uint64_t samples = uint64_t{count - 1} * static_cast<uint64_t>(info.pixelStride) + sampleSpan(info);
  // A table larger than the address space cannot be held.
  if (samples > SIZE_MAX / info.sampleSize()) throw KxUtilException(KX_STATUS_OUT_OF_MEMORY);
  return static_cast<size_t>(samples * info.sampleSize());
}

unsigned char* copyOfBytes(const void* source, size_t bytes) {
  unsigned char* copy = new (std::nothrow) unsigned char[bytes == 0 ? 1 : bytes];
  if (copy == nullptr) throw KxUtilException(KX_STATUS_OUT_OF_MEMORY);
  if (bytes != 0) std::memcpy(copy, source, bytes);
  return copy;
}

}  // namespace

Clut::Clut(const Clut& other) { *this = other; }

Clut::~Clut() { release(); }

void Clut::release() {
  delete[] entries_;
  entries_ = nullptr;
  entryBytes_ = 0;
  delete entryFinder_;
  entryFinder_ = nullptr;
}

Clut& Clut::operator=(const Clut& other) {
  if (this == &other) return *this;
  release();
  // The count follows the entries only once they are copied, so a failure
  // leaves an empty table rather than a count without entries.
  entryCount_ = 0;
  info_ = other.info_;
  if (other.entryFinder_ != nullptr) {
    entryFinder_ = other.entryFinder_->clone(*this);
    if (entryFinder_ == nullptr) throw KxUtilException(KX_STATUS_OUT_OF_MEMORY);
  }
  if (other.entries_ != nullptr) {
    entries_ = copyOfBytes(other.entries_, other.entryBytes_);
    entryBytes_ = other.entryBytes_;
  }
  entryCount_ = other.entryCount_;
  return *this;
}

void Clut::setEntries(const ImageBufferInfo& entryInfo, const void* entries, uint32_t count) {
  if (entryInfo.pixelStride < 1 || entryInfo.sampleSize() == 0 || entryInfo.sampleMap() == nullptr) {
    throw KxUtilException(KX_STATUS_BAD_ARGUMENT);
  }
  // The old entries go first, so that a failure leaves a table without entries.
  delete[] entries_;
  entries_ = nullptr;
  entryBytes_ = 0;
  entryCount_ = 0;
  info_ = entryInfo;
  // An empty table holds no entries and so is not in use.
  if (count == 0) return;
  const size_t bytes = storageBytes(info_, count);
  entries_ = copyOfBytes(entries, bytes);
  entryBytes_ = bytes;
  entryCount_ = count;
}

void Clut::setEntryFinder(ClutEntryFinder* finder) {
  delete entryFinder_;
  entryFinder_ = finder;
}

}  // namespace Kelvane
