// Rows of an indexed raster: one integer table index per pixel, stored as an
// unsigned 8-bit, unsigned 16-bit or 32-bit integer sample (sample type 0, 1
// or 2) whatever the type of the table's entries. The pixel driver moves
// them through rows of 32-bit indices, choosing the stored width once a row.
#ifndef KELVANE_RASTER_INDEX_ROWS_H
#define KELVANE_RASTER_INDEX_ROWS_H

#include <cstdint>

namespace Kelvane {

// Whether a sample type code can hold table indices.
bool isIndexSampleType(uint32_t sampleType);

// How many table entries an index of this sample type can address.
uint64_t addressableEntries(uint32_t sampleType);

// Reads `count` consecutive indices; a negative 32-bit index reads as a value
// no table reaches.
void readIndexRow(const void* row, uint32_t sampleType, uint32_t count, uint32_t* indices);

// Stores `count` indices as consecutive samples of the sample type; each
// index must fit the type.
void writeIndexRow(void* row, uint32_t sampleType, uint32_t count, const uint32_t* indices);

// Whether every index in the top-left rows x columns of a raster is below
// `entryCount`.
bool indicesBelow(const void* data, uint32_t rowStride, uint32_t rows, uint32_t columns, uint32_t sampleType,
                  uint32_t entryCount);

}  // namespace Kelvane

#endif  // KELVANE_RASTER_INDEX_ROWS_H
