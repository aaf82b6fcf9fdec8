// Quarter turns as register-blocked transposes through a staging tile that
// is written out a cache line at a time, streamed past the caches when the
// output is far larger than they are.
//
// Compiled once per instruction set: included by vectorPlaneCopy.cpp inside
// Highway's per-target pass, hence the toggled guard.
#if defined(KELVANE_RASTER_VECTOR_QUARTER_TURN_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef KELVANE_RASTER_VECTOR_QUARTER_TURN_INL_H_
#undef KELVANE_RASTER_VECTOR_QUARTER_TURN_INL_H_
#else
#define KELVANE_RASTER_VECTOR_QUARTER_TURN_INL_H_
#endif

#include <hwy/cache_control.h>
#include <hwy/highway.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "raster/transpose/planeCopy.h"
#include "raster/transpose/shuffleTables.h"
#include "raster/vectorStreamingStores-inl.h"

HWY_BEFORE_NAMESPACE();
namespace Kelvane {
namespace HWY_NAMESPACE {
#if HWY_TARGET != HWY_SCALAR

namespace hn = hwy::HWY_NAMESPACE;

namespace tables = shuffle_tables;

// How pixels of N bytes are turned: in register tiles of kLanes x kLanes
// pixels, in lanes of their own size (1, 2, 4, 8 bytes) or spread to lanes
// of 4 and 8 bytes (3 and 6 bytes) as they are loaded and packed again as
// they are stored; and through a staging tile of kTileRows destination rows
// by kTileColumns destination columns, which is written out a row at a time.
template <size_t N>
struct TileShape {
  using Lane = hwy::UnsignedFromSize<N == 3 ? 4 : N == 6 ? 8 : N>;
  static constexpr size_t kLanes = 16 / sizeof(Lane);
  static constexpr bool kSpread = sizeof(Lane) != N;
  // A tile reads runs of twice the bytes it writes to each destination row
  // (512 or 768 from each source row, 256 or 384 to each destination row):
  // long runs are what the memory serves best, and reads wait for it while
  // streamed writes do not. At most 256 rows keep the staging tile below
  // 128 KiB, in the second-level cache.
  static constexpr uint32_t kTileColumns = (kSpread ? 384 : 256) / N;
  static constexpr uint32_t kTileRows = 2 * kTileColumns < 256 ? 2 * kTileColumns : 256;
  // Staging rows stay 64-byte aligned and keep room for a spread block's
  // store, which writes up to four bytes past its pixels.
  static constexpr size_t kStagingStride = kTileColumns * N + 64;
  static_assert(kTileRows * kStagingStride + 64 <= kPlaneCopyScratchBytes, "staging tile exceeds the scratch memory");
};

// Stores the 128-bit blocks of v at out, out + blockStride, ...
template <class D>
HWY_INLINE void storeBlocks(D d, hn::Vec<D> v, uint8_t* out, ptrdiff_t blockStride) {
  if constexpr (hn::MaxLanes(D()) > 16) {
    const hn::Half<D> half;
    const ptrdiff_t halfBlocks = static_cast<ptrdiff_t>(hn::MaxLanes(D()) / 32);
    storeBlocks(half, hn::LowerHalf(half, v), out, blockStride);
    storeBlocks(half, hn::UpperHalf(half, v), out + halfBlocks * blockStride, blockStride);
  } else {
    hn::StoreU(v, d, out);
  }
}

// Transposes, in registers, one tile of kLanes x kLanes pixels per 128-bit
// block of D: tile row i is read from source row rows[i] (rowBytes bytes
// from its low end), block k of it being the kLanes pixels from byte
// offset + k * kLanes * N; tile column j of block k is stored at
// out + j * columnStride + k * blockStride. A spread load that would pass
// the row's end starts early instead, and its pixels are found by the
// shuffles.
template <size_t N, class D>
HWY_INLINE void transposeTiles(D d, const uint8_t* const* rows, size_t offset, size_t rowBytes, uint8_t* out,
                               ptrdiff_t columnStride, ptrdiff_t blockStride) {
  using Shape = TileShape<N>;
  using Lane = typename Shape::Lane;
  constexpr size_t K = Shape::kLanes;
  const hn::Repartition<Lane, D> dl;
  hn::Vec<decltype(dl)> tile[K];
  if constexpr (Shape::kSpread) {
    const size_t start = std::min(offset, rowBytes - hn::Lanes(d));
    const size_t shift = offset - start;
    if constexpr (hn::MaxLanes(D()) > 16) {
      // Blocks gather their dwords across the vector; the shuffle then
      // skips the bytes short of a dword.
      const hn::Repartition<int32_t, D> d32;
      const auto dwords =
          hn::Min(hn::Add(hn::Load(d32, tables::kGatherDwords.index), hn::Set(d32, static_cast<int32_t>(shift / 4))),
                  hn::Set(d32, static_cast<int32_t>(hn::Lanes(d32) - 1)));
      const auto gather = hn::IndicesFromVec(d32, dwords);
      const auto spread = hn::Add(hn::LoadDup128(d, tables::kSpreadPixels<N, sizeof(Lane)>.index),
                                  hn::Set(d, static_cast<uint8_t>(shift % 4)));
      HWY_UNROLL(16) for (size_t i = 0; i < K; ++i) {
        const auto gathered = hn::TableLookupLanes(hn::BitCast(d32, hn::LoadU(d, rows[i] + start)), gather);
        tile[i] = hn::BitCast(dl, hn::TableLookupBytes(hn::BitCast(d, gathered), spread));
      }
    } else {
      const auto spread = hn::Add(hn::LoadDup128(d, tables::kSpreadPixels<N, sizeof(Lane)>.index),
                                  hn::Set(d, static_cast<uint8_t>(shift)));
      HWY_UNROLL(16) for (size_t i = 0; i < K; ++i) {
        tile[i] = hn::BitCast(dl, hn::TableLookupBytes(hn::LoadU(d, rows[i] + start), spread));
      }
    }
  } else {
    HWY_UNROLL(16) for (size_t i = 0; i < K; ++i) tile[i] = hn::BitCast(dl, hn::LoadU(d, rows[i] + offset));
  }
  // log2(K) rounds of interleaving row i with row i + K/2 turn rows into columns.
  HWY_UNROLL(4) for (size_t round = K; round > 1; round /= 2) {
    hn::Vec<decltype(dl)> next[K];
    HWY_UNROLL(8) for (size_t i = 0; i < K / 2; ++i) {
      next[2 * i] = hn::InterleaveLower(dl, tile[i], tile[i + K / 2]);
      next[2 * i + 1] = hn::InterleaveUpper(dl, tile[i], tile[i + K / 2]);
    }
    HWY_UNROLL(16) for (size_t i = 0; i < K; ++i) tile[i] = next[i];
  }
  HWY_UNROLL(16) for (size_t j = 0; j < K; ++j) {
    hn::Vec<D> column = hn::BitCast(d, tile[j]);
    if constexpr (Shape::kSpread) {
      column = hn::TableLookupBytes(column, hn::LoadDup128(d, tables::kPackPixels<N, sizeof(Lane)>.index));
    }
    storeBlocks(d, column, out + static_cast<ptrdiff_t>(j) * columnStride, blockStride);
  }
}

// Source rows are fetched this many rows past the register tile being turned:
// far enough for the memory to answer, near enough that the lines are still
// cached when their turn comes.
constexpr uint32_t kPrefetchRows = 8;

// Destination rows [y0, y1) and columns [x0, x1) of a quarter turn into
// `staging`: whole register tiles, as many blocks at once as a vector holds,
// then one block at a time, in rising columns so that each spread store's
// spill is overwritten by the next; then the columns and rows short of a
// tile, pixel by pixel.
template <size_t N>
void turnIntoStaging(const PlaneCopy& plane, uint32_t x0, uint32_t x1, uint32_t y0, uint32_t y1, uint8_t* staging) {
  using Shape = TileShape<N>;
  constexpr size_t K = Shape::kLanes;
  constexpr ptrdiff_t stride = Shape::kStagingStride;
  const hn::ScalableTag<uint8_t> full;
  const hn::Full128<uint8_t> block;  // one 128-bit block of bytes
  // Source rows are read in rising addresses from their low end: destination
  // row y takes pixel y of a row when the walk runs forwards along source
  // rows, else pixel height - 1 - y.
  const bool forwards = plane.alongColumn > 0;
  const size_t rowBytes = size_t{plane.height} * N;
  const uint8_t* lowEnds = plane.source + (forwards ? 0 : static_cast<ptrdiff_t>(plane.height - 1) * plane.alongColumn);
  const uint32_t xTiles = x0 + (x1 - x0) / K * K;
  uint32_t yTiles = y0;
  // Turns the register tiles of `pixels` destination rows from y on, one per
  // block of D, into the staging column for these source rows.
  const auto turnRun = [&](auto d, const uint8_t* const* rows, uint8_t* column, uint32_t y, size_t pixels) {
    const size_t offset = (forwards ? y : plane.height - y - pixels) * N;
    uint8_t* top = column + static_cast<ptrdiff_t>(forwards ? y - y0 : y - y0 + pixels - 1) * stride;
    const ptrdiff_t columnStride = forwards ? stride : -stride;
    transposeTiles<N>(d, rows, offset, rowBytes, top, columnStride, static_cast<ptrdiff_t>(K) * columnStride);
  };
  for (uint32_t x = x0; x < xTiles; x += K) {
    const uint8_t* rows[K];
    for (size_t i = 0; i < K; ++i) rows[i] = lowEnds + static_cast<ptrdiff_t>(x + i) * plane.alongRow;
    const uint32_t ahead = x + K + kPrefetchRows;
    for (uint32_t r = ahead; r < std::min<uint32_t>(ahead + K, plane.width); ++r) {
      const uint8_t* row = lowEnds + static_cast<ptrdiff_t>(r) * plane.alongRow;
      const size_t low = (forwards ? y0 : plane.height - y1) * N;
      for (size_t b = 0; b < size_t{y1 - y0} * N; b += 64) hwy::Prefetch(row + low + b);
    }
    uint8_t* column = staging + (x - x0) * N;
    const size_t fullPixels = K * hn::Lanes(full) / 16;
    uint32_t y = y0;
    if (rowBytes >= hn::Lanes(full)) {
      for (; y + fullPixels <= y1; y += static_cast<uint32_t>(fullPixels)) turnRun(full, rows, column, y, fullPixels);
    }
    for (; y + K <= y1; y += K) turnRun(block, rows, column, y, K);
    yTiles = y;
  }
  for (uint32_t y = y0; y < y1; ++y) {
    for (uint32_t x = y < yTiles ? xTiles : x0; x < x1; ++x) {
      std::memcpy(
          staging + (y - y0) * stride + (x - x0) * N,
          plane.source + static_cast<ptrdiff_t>(x) * plane.alongRow + static_cast<ptrdiff_t>(y) * plane.alongColumn, N);
    }
  }
}

// The first destination column at which every destination row is 64-byte
// aligned, so that tiles from there on write whole cache lines; none when
// rows are not equally aligned or no column is.
bool streamingPhase(const PlaneCopy& plane, size_t n, uint32_t& phase) {
  if (plane.destinationRowStride % 64 != 0 || !plane.streamsOutput()) return false;
  const uintptr_t address = reinterpret_cast<uintptr_t>(plane.destination);
  for (uint32_t x = 0; x < 64 && x < plane.width; ++x) {
    if ((address + x * n) % 64 == 0) {
      phase = x;
      return true;
    }
  }
  return false;
}

// Destination columns go in strips of about 1024, so that the source rows
// of a strip stay in the address translation cache while the strip is walked
// from the top; each strip goes in bands of tile rows, each band in tiles.
constexpr uint32_t kStripColumns = 1024;

template <size_t N>
void turnQuarter(const PlaneCopy& plane) {
  using Shape = TileShape<N>;
  constexpr uint32_t kColumns = Shape::kTileColumns;
  constexpr uint32_t kRows = Shape::kTileRows;
  uint8_t* staging = plane.scratch + (64 - reinterpret_cast<uintptr_t>(plane.scratch) % 64) % 64;
  uint32_t phase = 0;
  const bool stream = streamingPhase(plane, N, phase);
  // Tile boundaries: the phase, then every kColumns columns.
  const auto tileEnd = [&](uint32_t x) {
    const uint32_t end = x < phase ? phase : phase + ((x - phase) / kColumns + 1) * kColumns;
    return std::min(end, plane.width);
  };
  for (uint32_t strip = 0; strip < plane.width;) {
    uint32_t stripEnd = tileEnd(strip);
    while (stripEnd < plane.width && stripEnd - strip + kColumns <= kStripColumns) stripEnd = tileEnd(stripEnd);
    for (uint32_t y0 = 0; y0 < plane.height; y0 += kRows) {
      const uint32_t y1 = y0 + std::min(kRows, plane.height - y0);
      for (uint32_t x0 = strip, x1 = tileEnd(strip); x0 < stripEnd; x0 = x1, x1 = tileEnd(x1)) {
        turnIntoStaging<N>(plane, x0, x1, y0, y1, staging);
        uint8_t* to = plane.destination + static_cast<ptrdiff_t>(y0) * plane.destinationRowStride + size_t{x0} * N;
        for (uint32_t r = 0; r < y1 - y0; ++r, to += plane.destinationRowStride) {
          const uint8_t* from = staging + r * Shape::kStagingStride;
          if (stream) {
            copyRowStreaming(to, from, size_t{x1 - x0} * N);
          } else {
            std::memcpy(to, from, size_t{x1 - x0} * N);
          }
        }
      }
    }
    strip = stripEnd;
  }
  if (stream) hwy::FlushStream();
}

#endif  // HWY_TARGET != HWY_SCALAR
}  // namespace HWY_NAMESPACE
}  // namespace Kelvane
HWY_AFTER_NAMESPACE();

#endif  // KELVANE_RASTER_VECTOR_QUARTER_TURN_INL_H_
