// Colour-space and sample type codes of the raster library, and the two
// questions every description asks of them: how many bands a colour space has
// and how many bytes one sample takes.
#ifndef KELVANE_RASTER_COLOR_SPACE_CODES_H
#define KELVANE_RASTER_COLOR_SPACE_CODES_H

#include <cstdint>

namespace Kelvane {

// Colour-space codes. Bits 8 to 15 hold the band count (255: any number,
// counted as one); flag bits 0x30000 add one extra band.
enum ColorSpaceCode : uint32_t {
  kColorSpaceNone = 0,         // unknown host colour space: no bands
  kColorSpaceGrayscale = 257,  // 0x0101
  kColorSpaceRGB = 769,        // 0x0301
  kColorSpaceYIQ = 771,        // 0x0303
  kColorSpaceRGBK = 1025,      // 0x0401, RGB with black
  kColorSpaceCMYK = 1026,      // 0x0402
  kColorSpaceYIQK = 1027,      // 0x0403, YIQ with black
  kColorSpaceMultiband = 65281,
};

inline constexpr uint32_t kColorSpaceFlagBits = 0x30000;

// Sample type codes of ImageBufferInfo (distinct from the host's numbering).
enum SampleTypeCode : uint32_t {
  kSampleUInt8 = 0,
  kSampleUInt16 = 1,
  kSampleInt32 = 2,
  kSampleFloat32 = 10,
  kSampleFloat64 = 11,
};

// Number of bands of a colour-space code, in 8-bit arithmetic.
constexpr uint8_t bands(uint32_t colorSpace) {
  uint8_t count = static_cast<uint8_t>((colorSpace >> 8) & 0xFFu);
  if (count == 255) count = 1;
  if ((colorSpace & kColorSpaceFlagBits) != 0) count = static_cast<uint8_t>(count + 1);
  return count;
}

// Bytes of one sample of a sample type code; 0 for an unknown code.
constexpr uint32_t sampleSizeOf(uint32_t sampleType) {
  switch (sampleType) {
    case kSampleUInt8: return 1;
    case kSampleUInt16: return 2;
    case kSampleInt32: return 4;
    case kSampleFloat32: return 4;
    case kSampleFloat64: return 8;
    default: return 0;
  }
}

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_CODES_H
