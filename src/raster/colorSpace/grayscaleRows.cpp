#include "raster/colorSpace/grayscaleRows.h"

#include <cstring>

#include "raster/colorSpace/cpuFeatures.h"
#include "raster/colorSpace/sampleConversion.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace Kelvane {

void rgbToGrayscaleRow8Scalar(uint8_t* grey, const uint8_t* rgb, const RgbPositions& at, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* pixel = rgb + 3 * i;
    const double sum = 0.3 * pixel[at.r] + 0.6 * pixel[at.g] + 0.1 * pixel[at.b];
    grey[i] = static_cast<uint8_t>(wrappedInteger(sum, 256.0));
  }
}

#if defined(__x86_64__)
namespace {

// Four pixels per step: one 16-byte load (12 bytes used) spread into 32-bit
// lanes per band, converted exactly to doubles, then (0.3 R + 0.6 G) + 0.1 B
// as the scalar loop does it. Returns how many pixels it converted; the
// last loads stay inside the row.
__attribute__((target("avx2"))) size_t grayscaleAvx2(uint8_t* grey, const uint8_t* rgb, const RgbPositions& at,
                                                     size_t count) {
  // Byte i of a shuffle mask picks byte mask[i] of the 16 loaded (-1: zero).
  alignas(16) int8_t masks[3][16];
  std::memset(masks, -1, sizeof masks);
  const uint32_t positions[3] = {at.r, at.g, at.b};
  for (int band = 0; band < 3; ++band) {
    for (int pixel = 0; pixel < 4; ++pixel) masks[band][4 * pixel] = static_cast<int8_t>(3 * pixel + positions[band]);
  }
  const __m128i red = _mm_load_si128(reinterpret_cast<const __m128i*>(masks[0]));
  const __m128i green = _mm_load_si128(reinterpret_cast<const __m128i*>(masks[1]));
  const __m128i blue = _mm_load_si128(reinterpret_cast<const __m128i*>(masks[2]));
  const __m128i lowBytes = _mm_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m256d kRed = _mm256_set1_pd(0.3);
  const __m256d kGreen = _mm256_set1_pd(0.6);
  const __m256d kBlue = _mm256_set1_pd(0.1);
  size_t i = 0;
  for (; i + 6 <= count; i += 4) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rgb + 3 * i));
    const __m256d r = _mm256_cvtepi32_pd(_mm_shuffle_epi8(bytes, red));
    const __m256d g = _mm256_cvtepi32_pd(_mm_shuffle_epi8(bytes, green));
    const __m256d b = _mm256_cvtepi32_pd(_mm_shuffle_epi8(bytes, blue));
    const __m256d sum =
        _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(kRed, r), _mm256_mul_pd(kGreen, g)), _mm256_mul_pd(kBlue, b));
    // Sums lie in 0..255, so truncation to 32 bits and the low byte agree
    // with the scalar conversion.
    const int32_t packed = _mm_cvtsi128_si32(_mm_shuffle_epi8(_mm256_cvttpd_epi32(sum), lowBytes));
    std::memcpy(grey + i, &packed, sizeof packed);
  }
  return i;
}

}  // namespace
#endif

void rgbToGrayscaleRow8(uint8_t* grey, const uint8_t* rgb, const RgbPositions& at, size_t count) {
  size_t done = 0;
#if defined(__x86_64__)
  if (cpuHasAvx2()) done = grayscaleAvx2(grey, rgb, at, count);
#endif
  rgbToGrayscaleRow8Scalar(grey + done, rgb + 3 * done, at, count - done);
}

}  // namespace Kelvane
