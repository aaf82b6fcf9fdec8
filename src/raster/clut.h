// Clut: the colour lookup table of an indexed raster, whose pixels each hold
// one integer index into the table's entries.
#ifndef KELVANE_RASTER_CLUT_H
#define KELVANE_RASTER_CLUT_H

#include <cstddef>
#include <cstdint>

#include "raster/imageBufferInfo.h"

namespace Kelvane {

class Clut;
class Pixel;

// Samples one pixel of a description reaches: up to its last mapped sample.
uint64_t sampleSpan(const ImageBufferInfo& info);

// Finds the table entry nearest to a pixel. A finder belongs to one table and
// reads that table's entries when asked.
class ClutEntryFinder {
 public:
  virtual uint32_t findNearest(const Pixel& pixel) const = 0;
  // A finder of the same kind for `owner`, which takes ownership; null when
  // out of memory.
  virtual ClutEntryFinder* clone(const Clut& owner) const = 0;
  virtual ~ClutEntryFinder() = default;
};

class Clut {
 public:
  Clut() = default;
  Clut(const Clut& other);
  // Copies the description, the entries and a clone of the finder. Raises
  // KxUtilException(KX_STATUS_OUT_OF_MEMORY) when out of memory; the table then has no entries.
  Clut& operator=(const Clut& other);
  virtual ~Clut();

  // Replaces the entries with `count` entries laid out by `entryInfo`: entry
  // k starts k * pixelStride samples into `entries`, band i of it sampleMap[i]
  // samples further. Raises KxUtilException(KX_STATUS_OUT_OF_MEMORY) when out of memory and
  // KxUtilException(KX_STATUS_BAD_ARGUMENT) when the layout cannot hold separate entries
  // (pixelStride below 1, or a sample type without a size).
  void setEntries(const ImageBufferInfo& entryInfo, const void* entries, uint32_t count);
  // Takes ownership of `finder` (may be null), releasing the previous one.
  void setEntryFinder(ClutEntryFinder* finder);

  // Description of one entry: colour space, sample type and pixelStride.
  const ImageBufferInfo& info() const { return info_; }
  uint32_t entryCount() const { return entryCount_; }
  // A table is in use exactly when it holds entries.
  bool inUse() const { return entries_ != nullptr; }
  bool hasEntryFinder() const { return entryFinder_ != nullptr; }

  // First sample of entry `index`; the caller guarantees index < entryCount().
  template <typename T>
  const T* entryAt(uint32_t index) const {
    return reinterpret_cast<const T*>(entries_) + static_cast<size_t>(index) * static_cast<size_t>(info_.pixelStride);
  }
  // Index of the entry nearest to `pixel`; the caller guarantees a finder.
  uint32_t nearestEntry(const Pixel& pixel) const { return entryFinder_->findNearest(pixel); }

 private:
  void release();

  ImageBufferInfo info_;
  ClutEntryFinder* entryFinder_ = nullptr;  // owned, may be null
  uint32_t entryCount_ = 0;
  // Owned. Sized to reach the last sample of the last entry through the
  // description's pixelStride and sampleMap, which may span more than the
  // band count (entries padded to a wider stride).
  unsigned char* entries_ = nullptr;
  size_t entryBytes_ = 0;
};

}  // namespace Kelvane

#endif  // KELVANE_RASTER_CLUT_H
