// Sample copies and background fills between DecodeBuffer records, shared by
// the stages that move pixels between a caller's buffer and working buffers
// of their own (the persistent pixel cache, the pixel replacer, the
// watermarker). Each sample is reached through its buffer's own addressing,
//   pBits + row x rowbytes + column x stride x (bytes per sample) + smap[band],
// so the two buffers may differ in stride, sample map and row bytes.
#ifndef KELVANE_STAGES_KXV_BUFFER_SAMPLES_H
#define KELVANE_STAGES_KXV_BUFFER_SAMPLES_H

#include <cstdint>
#include <optional>

#include "kelvane/kx_records.h"

namespace Kelvane {

// Results of the helpers below.
enum KxvSampleStatus : uint32_t {
  KXV_SAMPLES_DONE = 0,
  KXV_SAMPLES_REFUSED = 1,          // no pixel memory, or a type or extent the helper does not take
  KXV_SAMPLES_LAYOUT_MISMATCH = 3,  // background pixel of another band count or sample type
};

// Copies every band of `source` into `destination`. Refused unless both have
// pixel memory, the same `spp` (at most 256) and `type`, exactly the same
// width and height, and a stride of 1 where they are band-sequential; only
// 8- and 16-bit types (0 to 3) are copied. Bands copied before a refusal
// stay copied.
uint32_t copyBufferSamples(DecodeBuffer& destination, const DecodeBuffer& source);

// Copies one band of 8-bit (types 0, 1), 16-bit (types 2, 3) or 32-bit
// (type 10) samples over the rows and columns the destination holds; the
// caller has checked that both buffers hold that many.
void copyBand8(uint32_t band, DecodeBuffer& destination, const DecodeBuffer& source);
void copyBand16(uint32_t band, DecodeBuffer& destination, const DecodeBuffer& source);
void copyBand32(uint32_t band, DecodeBuffer& destination, const DecodeBuffer& source);

// Writes sample b of the one-pixel `background` into band b of every pixel
// of `destination`. KXV_SAMPLES_LAYOUT_MISMATCH unless both have the same
// `spp` and `type`; only types 0 and 2 are filled, any other (and a
// band-sequential destination of a stride other than 1) is refused with
// nothing written. The background's samples are read through its own sample
// map and only when they lie inside its pixel memory.
uint32_t fillWithBackground(DecodeBuffer& destination, const DecodeBuffer& background);

}  // namespace Kelvane

#endif  // KELVANE_STAGES_KXV_BUFFER_SAMPLES_H
