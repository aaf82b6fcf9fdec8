#include "raster/transpose/portablePlaneCopy.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace Kelvane {

namespace {

// An element of a size known at compile time, so that moving it is a few
// register moves rather than a call. Odd sizes also move "wide": a load and
// a store of the next power of two, which carries bytes of the following
// element along; callers use that only where the bytes past the element are
// the next element of the same row, read from the source and written again
// later on the destination.
template <size_t N>
struct FixedElement {
  static constexpr size_t kWide = N == 3 ? 4 : N == 6 ? 8 : N;
  size_t bytes() const { return N; }
  void move(unsigned char* to, const unsigned char* from) const { std::memcpy(to, from, N); }
  void moveWide(unsigned char* to, const unsigned char* from) const { std::memcpy(to, from, kWide); }
};

// Any other element size (wide pixels of many bands).
struct SizedElement {
  size_t size;
  size_t bytes() const { return size; }
  void move(unsigned char* to, const unsigned char* from) const { std::memcpy(to, from, size); }
  void moveWide(unsigned char* to, const unsigned char* from) const { move(to, from); }
};

// Moves `count` elements along a destination row; those from wideBegin up to
// wideEnd move wide.
template <class Element>
void copyRun(const Element& element, unsigned char* to, ptrdiff_t toStep, const unsigned char* from, ptrdiff_t fromStep,
             ptrdiff_t count, ptrdiff_t wideBegin, ptrdiff_t wideEnd) {
  ptrdiff_t i = 0;
  for (; i < wideBegin && i < count; ++i) element.move(to + i * toStep, from + i * fromStep);
  for (; i < wideEnd; ++i) element.moveWide(to + i * toStep, from + i * fromStep);
  for (; i < count; ++i) element.move(to + i * toStep, from + i * fromStep);
}

// Half turn and mirrors: each destination row is one source row, read
// forwards or backwards; a forward row of packed elements is one copy. Only
// the row's first and last elements sit next to the end of a row on either
// side, so every other element may move wide.
template <class Element>
void copyRows(const Element& element, const PlaneCopy& plane) {
  const ptrdiff_t bytes = static_cast<ptrdiff_t>(element.bytes());
  const uint32_t wideEnd = plane.packed() && plane.width > 1 ? plane.width - 1 : 0;
  for (uint32_t y = 0; y < plane.height; ++y) {
    const unsigned char* from = plane.source + static_cast<ptrdiff_t>(y) * plane.alongColumn;
    unsigned char* to = plane.destination + static_cast<ptrdiff_t>(y) * plane.destinationRowStride;
    if (plane.packed() && plane.alongRow == bytes) {
      std::memcpy(to, from, static_cast<size_t>(plane.width) * element.bytes());
    } else {
      copyRun(element, to, plane.pixelBytes, from, plane.alongRow, plane.width, 1, wideEnd);
    }
  }
}

struct BlockShape {
  uint32_t rows;     // destination rows, i.e. the length of each source run
  uint32_t columns;  // destination columns, i.e. source rows read together
};

// Cache set geometry the block shape is fitted to: 4 KiB of set indices and
// 8 ways; the source runs of a block take about half of a 32 KiB cache.
constexpr uint64_t kSetSpan = 4096;
constexpr uint32_t kWays = 8;
constexpr uint64_t kSourceRunBudget = 16 * 1024;
// Destination columns moved by one unrolled inner loop.
constexpr uint32_t kGroupColumns = 8;

// A block reads `columns` source rows at once, each a run of `rows`
// elements, and each source cache line serves many destination rows, so the
// runs must stay cached until the block ends. Rows whose stride is a
// multiple of 4 KiB start on the same cache set and only as many of them as
// the cache has ways can stay (square blocks over such rows evict their own
// lines); strides that spread rows over the sets allow twice as many.
BlockShape blockShapeFor(size_t elementBytes, ptrdiff_t sourceRowStride) {
  const uint64_t stride = static_cast<uint64_t>(sourceRowStride < 0 ? -sourceRowStride : sourceRowStride);
  const uint32_t columns = stride % kSetSpan == 0 ? kWays : 2 * kWays;
  const uint64_t rows = kSourceRunBudget / (kWays * static_cast<uint64_t>(elementBytes));
  return {static_cast<uint32_t>(std::clamp<uint64_t>(rows, 16, 2048)), columns};
}

// Moves a group of destination columns for every destination row in
// [firstRow, endRow): the group's source rows are fixed, so the inner loop is
// a fixed run of moves and the source and destination advance by one row
// each. The rows are taken in the order that reads the source forwards,
// which the hardware prefetches best.
template <bool kWide, class Element>
void copyColumnGroup(const Element& element, const PlaneCopy& plane, uint32_t firstColumn, uint32_t firstRow,
                     uint32_t endRow) {
  if (firstRow >= endRow) return;
  const bool backwards = plane.alongColumn < 0;
  const uint32_t startRow = backwards ? endRow - 1 : firstRow;
  const ptrdiff_t sourceStep = backwards ? -plane.alongColumn : plane.alongColumn;
  const ptrdiff_t destinationStep = backwards ? -plane.destinationRowStride : plane.destinationRowStride;
  const unsigned char* from = plane.source + static_cast<ptrdiff_t>(firstColumn) * plane.alongRow +
                              static_cast<ptrdiff_t>(startRow) * plane.alongColumn;
  unsigned char* to = plane.destination + static_cast<ptrdiff_t>(startRow) * plane.destinationRowStride +
                      static_cast<ptrdiff_t>(firstColumn) * plane.pixelBytes;
  for (uint32_t n = endRow - firstRow; n > 0; --n) {
    for (ptrdiff_t i = 0; i < static_cast<ptrdiff_t>(kGroupColumns); ++i) {
      if (kWide) {
        element.moveWide(to + i * plane.pixelBytes, from + i * plane.alongRow);
      } else {
        element.move(to + i * plane.pixelBytes, from + i * plane.alongRow);
      }
    }
    from += sourceStep;
    to += destinationStep;
  }
}

// Quarter turns, one block of destination rows x columns at a time, in
// groups of columns. Elements move wide except in the first and last
// destination rows (which read the end of a source row) and the last
// destination column; rows and columns short of a group go one by one.
template <class Element>
void copyBlocks(const Element& element, const PlaneCopy& plane) {
  const BlockShape shape = blockShapeFor(element.bytes(), plane.alongRow);
  // Destination rows whose elements may move wide.
  const uint32_t wideFirst = plane.packed() ? 1 : plane.height;
  const uint32_t wideEnd = plane.packed() ? plane.height - 1 : 0;
  for (uint32_t y0 = 0; y0 < plane.height; y0 += shape.rows) {
    const uint32_t y1 = y0 + std::min(shape.rows, plane.height - y0);
    const uint32_t wideRowsFirst = std::clamp(wideFirst, y0, y1);
    const uint32_t wideRowsEnd = std::clamp(wideEnd, wideRowsFirst, y1);
    for (uint32_t x0 = 0; x0 < plane.width; x0 += shape.columns) {
      const uint32_t x1 = x0 + std::min(shape.columns, plane.width - x0);
      // Whole groups short of the last destination column.
      const uint32_t groupsEnd = x0 + (std::min(x1, plane.width - 1) - x0) / kGroupColumns * kGroupColumns;
      for (uint32_t x = x0; x < groupsEnd; x += kGroupColumns) {
        copyColumnGroup<false>(element, plane, x, y0, wideRowsFirst);
        copyColumnGroup<true>(element, plane, x, wideRowsFirst, wideRowsEnd);
        copyColumnGroup<false>(element, plane, x, wideRowsEnd, y1);
      }
      // The rest of the block's columns, one element at a time.
      for (uint32_t y = y0; y < y1 && groupsEnd < x1; ++y) {
        const unsigned char* from = plane.source + static_cast<ptrdiff_t>(groupsEnd) * plane.alongRow +
                                    static_cast<ptrdiff_t>(y) * plane.alongColumn;
        unsigned char* to = plane.destination + static_cast<ptrdiff_t>(y) * plane.destinationRowStride +
                            static_cast<ptrdiff_t>(groupsEnd) * plane.pixelBytes;
        copyRun(element, to, plane.pixelBytes, from, plane.alongRow, x1 - groupsEnd, 0, 0);
      }
    }
  }
}

template <class Element>
void copyPlane(const Element& element, const PlaneCopy& plane) {
  if (plane.quarterTurn) {
    copyBlocks(element, plane);
  } else {
    copyRows(element, plane);
  }
}

}  // namespace

// Chooses the element type once per plane.
void copyPlanePortably(const PlaneCopy& plane) {
  switch (plane.elementBytes) {
    case 1: copyPlane(FixedElement<1>{}, plane); break;
    case 2: copyPlane(FixedElement<2>{}, plane); break;
    case 3: copyPlane(FixedElement<3>{}, plane); break;
    case 4: copyPlane(FixedElement<4>{}, plane); break;
    case 6: copyPlane(FixedElement<6>{}, plane); break;
    case 8: copyPlane(FixedElement<8>{}, plane); break;
    default: copyPlane(SizedElement{plane.elementBytes}, plane); break;
  }
}

void swapRowsReversedPortably(unsigned char* first, unsigned char* second, size_t count, size_t pixelBytes) {
  unsigned char* back = second + count * pixelBytes;
  for (size_t i = 0; i < count; ++i, first += pixelBytes) {
    back -= pixelBytes;
    std::swap_ranges(first, first + pixelBytes, back);
  }
}

void reverseRowPortably(unsigned char* row, size_t count, size_t pixelBytes) {
  swapRowsReversedPortably(row, row + (count - count / 2) * pixelBytes, count / 2, pixelBytes);
}

}  // namespace Kelvane
