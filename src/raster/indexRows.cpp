#include "raster/indexRows.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "raster/colorSpaceCodes.h"
#include "raster/sampleAccess.h"
#include "raster/scratchMemory.h"

namespace Kelvane {

namespace {

// Calls fn with a value of the integer type that stores indices of sampleType.
template <typename Fn>
void withIndexType(uint32_t sampleType, Fn&& fn) {
  switch (sampleType) {
    case kSampleUInt8: fn(uint8_t{}); break;
    case kSampleUInt16: fn(uint16_t{}); break;
    default: fn(int32_t{}); break;
  }
}

}  // namespace

bool isIndexSampleType(uint32_t sampleType) {
  return sampleType == kSampleUInt8 || sampleType == kSampleUInt16 || sampleType == kSampleInt32;
}

uint64_t addressableEntries(uint32_t sampleType) {
  switch (sampleType) {
    case kSampleUInt8: return uint64_t{1} << 8;
    case kSampleUInt16: return uint64_t{1} << 16;
    default: return uint64_t{1} << 31;
  }
}

void readIndexRow(const void* row, uint32_t sampleType, uint32_t count, uint32_t* indices) {
  withIndexType(sampleType, [&](auto tag) {
    using Index = decltype(tag);
    const Index* samples = static_cast<const Index*>(row);
    for (uint32_t c = 0; c < count; ++c) indices[c] = static_cast<uint32_t>(loadSample(samples + c));
  });
}

void writeIndexRow(void* row, uint32_t sampleType, uint32_t count, const uint32_t* indices) {
  withIndexType(sampleType, [&](auto tag) {
    using Index = decltype(tag);
    Index* samples = static_cast<Index*>(row);
    for (uint32_t c = 0; c < count; ++c) storeSample(samples + c, static_cast<Index>(indices[c]));
  });
}

bool indicesBelow(const void* data, uint32_t rowStride, uint32_t rows, uint32_t columns, uint32_t sampleType,
                  uint32_t entryCount) {
  std::vector<uint32_t> indices;
  growScratch(indices, columns);
  for (uint32_t r = 0; r < rows; ++r) {
    readIndexRow(static_cast<const unsigned char*>(data) + static_cast<size_t>(r) * rowStride, sampleType, columns,
                 indices.data());
    if (std::any_of(indices.begin(), indices.begin() + columns, [&](uint32_t index) { return index >= entryCount; })) {
      return false;
    }
  }
  return true;
}

}  // namespace Kelvane
