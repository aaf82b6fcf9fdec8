// Row kernel of 8-bit RGB to greyscale: grey = 0.3 R + 0.6 G + 0.1 B in
// double precision, truncated toward zero (never above 255 for 8-bit
// inputs). On x86 processors with SSSE3 or better the doubles are computed
// several pixels at a time with the same operations in the same order, so
// every result is bit for bit that of the scalar loop.
#ifndef KELVANE_RASTER_COLOR_SPACE_GRAYSCALE_ROWS_H
#define KELVANE_RASTER_COLOR_SPACE_GRAYSCALE_ROWS_H

#include <cstddef>
#include <cstdint>

namespace Kelvane {

// Sample offsets of red, green and blue inside a three-sample pixel.
struct RgbPositions {
  uint32_t r, g, b;
};

// grey[i] from the pixel at rgb + 3 i; every position below 3.
void rgbToGrayscaleRow8(uint8_t* grey, const uint8_t* rgb, const RgbPositions& at, size_t count);

// The same with the scalar loop only, for comparison with the vector path.
void rgbToGrayscaleRow8Scalar(uint8_t* grey, const uint8_t* rgb, const RgbPositions& at, size_t count);

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_GRAYSCALE_ROWS_H
