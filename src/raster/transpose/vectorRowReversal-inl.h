// Rows reversed with byte shuffles, into another buffer or in place: whole
// vectors of 1-, 2-, 4- and 8-byte pixels, groups of three 128-bit blocks of
// 3- and 6-byte pixels. Rows copied or reversed into a large output are
// written with streaming stores.
//
// Compiled once per instruction set: included by vectorPlaneCopy.cpp inside
// Highway's per-target pass, hence the toggled guard.
#if defined(KELVANE_RASTER_VECTOR_ROW_REVERSAL_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef KELVANE_RASTER_VECTOR_ROW_REVERSAL_INL_H_
#undef KELVANE_RASTER_VECTOR_ROW_REVERSAL_INL_H_
#else
#define KELVANE_RASTER_VECTOR_ROW_REVERSAL_INL_H_
#endif

#include <hwy/highway.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "raster/transpose/planeCopy.h"
#include "raster/transpose/portablePlaneCopy.h"
#include "raster/transpose/shuffleTables.h"
#include "raster/vectorStreamingStores-inl.h"

HWY_BEFORE_NAMESPACE();
namespace Kelvane {
namespace HWY_NAMESPACE {
#if HWY_TARGET != HWY_SCALAR

namespace hn = hwy::HWY_NAMESPACE;

using Block = hn::Full128<uint8_t>;  // one 128-bit block of bytes
namespace tables = shuffle_tables;

// Reversed groups are streamed as 128-bit blocks, which need only this
// alignment: a row's end aligned for them keeps its loads aligned too.
constexpr size_t kStreamAlignment = 16;

// Pixels of 1, 2, 4 or 8 bytes, a whole vector at a time: the pixels of each
// 128-bit block are reversed by a byte shuffle, then the blocks.
template <size_t N>
class VectorReverser {
 public:
  using D = hn::ScalableTag<uint8_t>;
  struct Group {
    hn::Vec<D> bytes;
  };

  VectorReverser() : units_(hn::LoadDup128(d_, tables::kReverseUnits<N>.index)) {}
  size_t bytes() const { return hn::Lanes(d_); }
  Group load(const uint8_t* from) const { return {hn::LoadU(d_, from)}; }
  void storeReversed(const Group& group, uint8_t* to) const { hn::StoreU(reversed(group), d_, to); }
  // `to` is aligned to kStreamAlignment.
  void streamReversed(const Group& group, uint8_t* to) const { streamBlocks(d_, reversed(group), to); }

 private:
  hn::Vec<D> reversed(const Group& group) const {
    return hn::ReverseBlocks(d_, hn::TableLookupBytes(group.bytes, units_));
  }

  D d_;
  hn::Vec<D> units_;
};

// Pixels of 3 or 6 bytes, 48 bytes (16 or 8 pixels) at a time in three
// blocks; each block of the result gathers its bytes from up to three.
template <size_t N>
class TripleBlockReverser {
 public:
  struct Group {
    hn::Vec<Block> blocks[3];
  };

  size_t bytes() const { return 48; }
  Group load(const uint8_t* from) const {
    return {{hn::LoadU(b_, from), hn::LoadU(b_, from + 16), hn::LoadU(b_, from + 32)}};
  }
  void storeReversed(const Group& group, uint8_t* to) const {
    HWY_UNROLL(3) for (size_t o = 0; o < 3; ++o) hn::StoreU(reversedBlock(group, o), b_, to + 16 * o);
  }
  // `to` is aligned to kStreamAlignment.
  void streamReversed(const Group& group, uint8_t* to) const {
    HWY_UNROLL(3) for (size_t o = 0; o < 3; ++o) hn::Stream(reversedBlock(group, o), b_, to + 16 * o);
  }

 private:
  // Block o of the reversed group gathers its bytes from up to three blocks.
  hn::Vec<Block> reversedBlock(const Group& group, size_t o) const {
    constexpr const tables::TripleReversal& table = tables::kTripleReversal<N>;
    hn::Vec<Block> out = hn::Zero(b_);
    HWY_UNROLL(3) for (size_t v = 0; v < 3; ++v) {
      if (table.uses[o][v]) {
        out = hn::Or(out, hn::TableLookupBytesOr0(group.blocks[v], hn::Load(b_, table.from[o][v].index)));
      }
    }
    return out;
  }

  Block b_;
};

// Calls fn with the reverser of pixels of n bytes; false for other sizes.
template <typename Fn>
bool withReverser(size_t n, Fn&& fn) {
  switch (n) {
    case 1: fn(VectorReverser<1>()); return true;
    case 2: fn(VectorReverser<2>()); return true;
    case 3: fn(TripleBlockReverser<3>()); return true;
    case 4: fn(VectorReverser<4>()); return true;
    case 6: fn(TripleBlockReverser<6>()); return true;
    case 8: fn(VectorReverser<8>()); return true;
    default: return false;
  }
}

// Rows go in the order that reads the source upwards in memory, which the
// hardware prefetches best; the result does not depend on the order.
template <class CopyRow>
void forEachRowUpwards(const PlaneCopy& plane, const CopyRow& copyRow) {
  const size_t rowBytes = plane.width * plane.elementBytes;
  for (uint32_t i = 0; i < plane.height; ++i) {
    const uint32_t y = plane.alongColumn < 0 ? plane.height - 1 - i : i;
    copyRow(plane.destination + static_cast<ptrdiff_t>(y) * plane.destinationRowStride,
            plane.source + static_cast<ptrdiff_t>(y) * plane.alongColumn, rowBytes);
  }
}

// Each destination row is a source row read backwards. The source row is
// read forwards and the destination row written from its end, which the
// hardware prefetches better than a backward read; the pixels short of a
// group go one by one. A streamed row first goes pixel by pixel up to an
// end aligned for streaming stores, if one is that near.
template <class Reverser>
void reverseRows(const Reverser& reverser, const PlaneCopy& plane, bool stream) {
  const size_t n = plane.elementBytes;
  const size_t group = reverser.bytes();
  forEachRowUpwards(plane, [&](uint8_t* to, const uint8_t* last, size_t rowBytes) {
    const uint8_t* from = last - (rowBytes - n);
    uint8_t* end = to + rowBytes;
    size_t done = 0;
    const auto alignedEnd = [&] { return reinterpret_cast<uintptr_t>(end - done) % kStreamAlignment == 0; };
    if (stream) {
      for (size_t pixels = 0; pixels < kStreamAlignment && !alignedEnd() && done + n <= rowBytes; ++pixels, done += n)
        std::memcpy(end - done - n, from + done, n);
    }
    if (stream && alignedEnd()) {
      for (; done + group <= rowBytes; done += group)
        reverser.streamReversed(reverser.load(from + done), end - done - group);
    }
    for (; done + group <= rowBytes; done += group)
      reverser.storeReversed(reverser.load(from + done), end - done - group);
    for (; done < rowBytes; done += n) std::memcpy(end - done - n, from + done, n);
  });
}

template <class Reverser>
void swapReversed(const Reverser& reverser, uint8_t* first, uint8_t* second, size_t count, size_t n) {
  const size_t rowBytes = count * n;
  const size_t group = reverser.bytes();
  size_t done = 0;
  for (; done + group <= rowBytes; done += group) {
    uint8_t* front = first + done;
    uint8_t* back = second + rowBytes - done - group;
    const auto frontGroup = reverser.load(front);
    reverser.storeReversed(reverser.load(back), front);
    reverser.storeReversed(frontGroup, back);
  }
  swapRowsReversedPortably(first + done, second, count - done / n, n);
}

// Swaps reversed groups from both ends until they would meet; the middle
// pixels go one by one.
template <class Reverser>
void reverseInPlace(const Reverser& reverser, uint8_t* row, size_t count, size_t n) {
  const size_t group = reverser.bytes();
  size_t front = 0;
  size_t back = count * n;
  for (; back - front >= 2 * group; front += group, back -= group) {
    const auto frontGroup = reverser.load(row + front);
    reverser.storeReversed(reverser.load(row + back - group), row + front);
    reverser.storeReversed(frontGroup, row + back - group);
  }
  reverseRowPortably(row + front, (back - front) / n, n);
}

#endif  // HWY_TARGET != HWY_SCALAR
}  // namespace HWY_NAMESPACE
}  // namespace Kelvane
HWY_AFTER_NAMESPACE();

#endif  // KELVANE_RASTER_VECTOR_ROW_REVERSAL_INL_H_
