// Whole pixels of 1, 2, 3, 4, 6 or 8 bytes handled as integers, for the
// kernels that compare pixels with a key: one comparison per pixel, and a
// test of eight packed pixels at a time for any byte of the key.
#ifndef KELVANE_STAGES_PIXEL_REPLACER_KXV_PIXEL_WORDS_H
#define KELVANE_STAGES_PIXEL_REPLACER_KXV_PIXEL_WORDS_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace Kelvane {

// Pixel sizes that have a word.
constexpr bool kxvHasPixelWord(size_t size) {
  return size == 1 || size == 2 || size == 3 || size == 4 || size == 6 || size == 8;
}

// A pixel of Size bytes held in the narrowest integer that takes it. Sizes
// without an integer of their width (3, 6) are loaded as two naturally sized
// parts joined in registers: a partial copy into a zeroed word in memory
// would stall every load on store forwarding.
template <size_t Size>
struct KxvPixelWord {
  static_assert(kxvHasPixelWord(Size), "no word for this pixel size");
  using Type = std::conditional_t<
      (Size <= 1), uint8_t,
      std::conditional_t<(Size <= 2), uint16_t, std::conditional_t<(Size <= 4), uint32_t, uint64_t>>>;
  static Type load(const uint8_t* at) {
    if constexpr (Size == 3) {
      uint16_t low;
      std::memcpy(&low, at, 2);
      return static_cast<Type>(low | uint32_t{at[2]} << 16);
    } else if constexpr (Size == 6) {
      uint32_t low;
      uint16_t high;
      std::memcpy(&low, at, 4);
      std::memcpy(&high, at + 4, 2);
      return low | uint64_t{high} << 32;
    } else {
      Type word;
      std::memcpy(&word, at, Size);
      return word;
    }
  }
};

// Eight packed pixels of Size bytes (Size words of 8 bytes) tested at once
// against a key pixel: a block in which no byte equals the key's byte at the
// same place within its pixel holds no pixel equal to the key, and can be
// passed over whole.
template <size_t Size>
class KxvKeyBlock {
 public:
  static constexpr size_t kPixels = 8;
  static constexpr size_t kBytes = kPixels * Size;

  explicit KxvKeyBlock(const uint8_t* key) {
    uint8_t bytes[kBytes];
    for (size_t i = 0; i < kBytes; ++i) bytes[i] = key[i % Size];
    std::memcpy(pattern_, bytes, kBytes);
  }

  // Whether some byte of the block at `at` equals the key's byte at its place.
  bool mayHoldKey(const uint8_t* at) const {
    // A word has a zero byte exactly when (v - 0x01..01) & ~v & 0x80..80 is not 0.
    constexpr uint64_t kOnes = 0x0101010101010101u;
    constexpr uint64_t kHighs = 0x8080808080808080u;
    uint64_t zeroBytes = 0;
    for (size_t w = 0; w < Size; ++w) {
      uint64_t word;
      std::memcpy(&word, at + 8 * w, 8);
      word ^= pattern_[w];
      zeroBytes |= (word - kOnes) & ~word & kHighs;
    }
    return zeroBytes != 0;
  }

 private:
  uint64_t pattern_[Size];  // the key repeated over the block, as the block's words
};

}  // namespace Kelvane

#endif  // KELVANE_STAGES_PIXEL_REPLACER_KXV_PIXEL_WORDS_H
