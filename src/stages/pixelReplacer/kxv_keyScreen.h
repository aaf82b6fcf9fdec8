// Screening for the tolerant key: a vector of packed 8-bit pixels measured
// against the key at once, so that the tolerant merge leaves the long runs of
// pixels far from the key as the source put them and decides only the pixels
// around the key one by one.
#ifndef KELVANE_STAGES_PIXEL_REPLACER_KXV_KEY_SCREEN_H
#define KELVANE_STAGES_PIXEL_REPLACER_KXV_KEY_SCREEN_H

#include <cstddef>
#include <cstdint>

namespace Kelvane {

// The most pixels one screening step measures (64 one-byte lanes of
// AVX-512); a merge decides this many pixels one by one where a screen stops.
inline constexpr size_t kKxvKeyScreenPixels = 64;

// How many of the `count` pixels at `pixels` (each `bands` samples of one
// byte, 1 to 4, packed) lie, from the first on, farther from the key than
// `tolerance`: their sums of absolute differences from the key's samples all
// exceed it. The count may stop short of the true run (it ends at the first
// vector holding a pixel near the key, and it is 0 where the machine has no
// vector instructions or the tolerance reaches 255), never beyond it.
size_t KxvPixelsFarFromKey8(const uint8_t* pixels, size_t count, uint32_t bands, const uint8_t* key, int32_t tolerance);

}  // namespace Kelvane

#endif  // KELVANE_STAGES_PIXEL_REPLACER_KXV_KEY_SCREEN_H
