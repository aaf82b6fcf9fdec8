// Byte shuffle tables of the vector kernels (vectorPlaneCopy.cpp), the same
// for every instruction set, computed at compile time.
#ifndef KELVANE_RASTER_TRANSPOSE_SHUFFLE_TABLES_H
#define KELVANE_RASTER_TRANSPOSE_SHUFFLE_TABLES_H

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace Kelvane {
namespace shuffle_tables {

// Indices of a byte shuffle within one 128-bit block; 0x80 yields zero.
struct alignas(16) ByteTable {
  uint8_t index[16];
};
constexpr uint8_t kZero = 0x80;

// Reverses the order of the N-byte units of a block (N divides 16).
template <size_t N>
constexpr ByteTable reverseUnits() {
  ByteTable table{};
  for (size_t j = 0; j < 16; ++j) table.index[j] = static_cast<uint8_t>((16 / N - 1 - j / N) * N + j % N);
  return table;
}

// Reverses the pixels of N bytes (3 or 6) in 48 bytes held as three blocks:
// block o of the result takes from block v of the source the bytes that
// from[o][v] names; uses[o][v] says whether it takes any.
struct TripleReversal {
  ByteTable from[3][3];
  bool uses[3][3];
};
template <size_t N>
constexpr TripleReversal tripleReversal() {
  TripleReversal table{};
  for (size_t o = 0; o < 3; ++o) {
    for (size_t v = 0; v < 3; ++v) {
      for (size_t j = 0; j < 16; ++j) table.from[o][v].index[j] = kZero;
    }
  }
  for (size_t g = 0; g < 48; ++g) {
    const size_t source = (48 / N - 1 - g / N) * N + g % N;
    table.from[g / 16][source / 16].index[g % 16] = static_cast<uint8_t>(source % 16);
    table.uses[g / 16][source / 16] = true;
  }
  return table;
}

// Spreads packed pixels of N bytes into lanes of L bytes (bytes past a pixel
// in its lane are left over), and packs them back.
template <size_t N, size_t L>
constexpr ByteTable spreadPixels() {
  ByteTable table{};
  for (size_t j = 0; j < 16; ++j) table.index[j] = static_cast<uint8_t>(j / L * N + std::min(j % L, N - 1));
  return table;
}
template <size_t N, size_t L>
constexpr ByteTable packPixels() {
  ByteTable table{};
  for (size_t j = 0; j < 16; ++j) table.index[j] = j < 16 / L * N ? static_cast<uint8_t>(j / N * L + j % N) : kZero;
  return table;
}

template <size_t N>
inline constexpr ByteTable kReverseUnits = reverseUnits<N>();
template <size_t N>
inline constexpr TripleReversal kTripleReversal = tripleReversal<N>();
template <size_t N, size_t L>
inline constexpr ByteTable kSpreadPixels = spreadPixels<N, L>();
template <size_t N, size_t L>
inline constexpr ByteTable kPackPixels = packPixels<N, L>();

// Lane indices that gather, into 128-bit block k, the four dwords from
// dword 3k on: the 12 pixel bytes of block k and what follows them.
struct alignas(64) GatherDwords {
  int32_t index[16];
};
constexpr GatherDwords gatherDwords() {
  GatherDwords table{};
  for (int32_t j = 0; j < 16; ++j) table.index[j] = 3 * (j / 4) + j % 4;
  return table;
}
inline constexpr GatherDwords kGatherDwords = gatherDwords();

}  // namespace shuffle_tables
}  // namespace Kelvane

#endif  // KELVANE_RASTER_TRANSPOSE_SHUFFLE_TABLES_H
