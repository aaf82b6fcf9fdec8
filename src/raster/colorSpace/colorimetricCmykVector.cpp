// Vector kernel of the colorimetric CMYK-to-RGB path (x86-64 with AVX2). Rows
// go in batches of 64 pixels through three passes whose results equal the
// scalar path's bit for bit:
// 1. per pixel, the four grid reads of the L, a and b deltas run side by side
//    in 16-bit lanes; multiply-adds of delta pairs with fraction pairs give
//    the interpolation sums in 32 bits; two pixels a vector, the reduction to
//    8 bits divides in doubles (exact, see below); per pixel, the
//    Lab-to-XYZ terms are read;
// 2. four pixels at a time, XYZ and linear RGB in doubles, with the scalar
//    path's operations in its order, limited to [0, 1], and each value's
//    gamma bucket and low bits;
// 3. per value, the power's output from its bucket, without branches.
#include <algorithm>

#include "raster/colorSpace/colorimetricCmyk.h"
#include "raster/colorSpace/colorimetricTables.h"
#include "raster/colorSpace/cpuFeatures.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace Kelvane {

#if defined(__x86_64__)
namespace {

// The 16-bit lanes hold grid deltas, which must fit them.
static_assert(largestGridStep() <= 32767, "grid steps too large for 16-bit lanes");

constexpr size_t kBatch = 64;

// Working values of one batch, in pixel order; four spare entries let the
// second pass run whole vectors past the batch's end.
struct Batch {
  // Per pixel: 13107 (P0 + 128) + S of L, a and b, and a spare lane; then
  // the 8-bit L, a, b (and the spare).
  alignas(32) int32_t numerator[kBatch + 4][4];
  alignas(32) int32_t lab[kBatch + 4][4];
  alignas(32) double fy[kBatch + 4];
  alignas(32) double fa[kBatch + 4];
  alignas(32) double fb[kBatch + 4];
  // Per channel (red, green, blue): each value's gamma bucket and low bits.
  alignas(32) uint64_t bucket[3][kBatch + 4];
  alignas(32) uint64_t lowBits[3][kBatch + 4];
};

// Pass 1a, per pixel. A node's L, a, b and the next value are read as four
// 16-bit lanes (the grid is never read past its end: the last node a cell
// reaches is 2343); multiply-adds of delta pairs with fraction pairs give S.
__attribute__((target("avx2"))) void interpolate(const uint8_t* cmyk, size_t count, const ColorimetricTables& t,
                                                 Batch& batch) {
  const uint16_t* grid = &kCmykGridNodes[0][0];
  const __m128i cell = _mm_set1_epi32(kGridCell);
  const __m128i offset = _mm_set1_epi32(128 * kGridCell);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* pixel = cmyk + 4 * i;
    const uint64_t c = t.packedInk[0][pixel[0]];
    const uint64_t m = t.packedInk[1][pixel[1]];
    const uint64_t y = t.packedInk[2][pixel[2]];
    const uint64_t k = t.packedInk[3][pixel[3]];
    const uint16_t* p0 = grid + ((c + m + y + k) >> 32);
    const __m128i node = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p0));
    const auto delta = [&](uint32_t step) {
      return _mm_sub_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p0 + step)), node);
    };
    const __m128i cyanMagenta = _mm_unpacklo_epi16(delta(kGridAxisStep[0]), delta(kGridAxisStep[1]));
    const __m128i yellowBlack = _mm_unpacklo_epi16(delta(kGridAxisStep[2]), delta(kGridAxisStep[3]));
    const __m128i sums =
        _mm_add_epi32(_mm_madd_epi16(cyanMagenta, _mm_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(c | m)))),
                      _mm_madd_epi16(yellowBlack, _mm_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(y | k)))));
    const __m128i numerator =
        _mm_add_epi32(_mm_add_epi32(_mm_mullo_epi32(_mm_cvtepu16_epi32(node), cell), offset), sums);
    _mm_store_si128(reinterpret_cast<__m128i*>(batch.numerator[i]), numerator);
  }
}

// Pass 1b, two pixels a vector: the reduction floor((n + 0.5) / (13107 x
// 257)) in doubles, limited to 0..255. n + 0.5 is never a multiple of the
// divisor and its quotient, below 2^10, is computed to far better than
// 0.5 / 3368499, so the floor is that of the exact quotient.
__attribute__((target("avx2"))) void reduce(size_t count, Batch& batch) {
  const __m256d half = _mm256_set1_pd(0.5);
  const __m256d reciprocal = _mm256_set1_pd(1.0 / (kGridCell * kReductionStep));
  const __m256i zero = _mm256_setzero_si256();
  const __m256i top = _mm256_set1_epi32(255);
  for (size_t i = 0; i < count; i += 2) {
    const __m256i n = _mm256_max_epi32(_mm256_load_si256(reinterpret_cast<const __m256i*>(batch.numerator[i])), zero);
    const __m256d low = _mm256_mul_pd(_mm256_add_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(n)), half), reciprocal);
    const __m256d high =
        _mm256_mul_pd(_mm256_add_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(n, 1)), half), reciprocal);
    const __m256i lab = _mm256_setr_m128i(_mm256_cvttpd_epi32(low), _mm256_cvttpd_epi32(high));
    _mm256_store_si256(reinterpret_cast<__m256i*>(batch.lab[i]), _mm256_min_epi32(lab, top));
  }
}

// Pass 1c, per pixel: the Lab-to-XYZ terms of the 8-bit Lab.
void labTerms(size_t count, const ColorimetricTables& t, Batch& batch) {
  for (size_t i = 0; i < count; ++i) {
    batch.fy[i] = t.fy[batch.lab[i][0]];
    batch.fa[i] = t.fa[batch.lab[i][1]];
    batch.fb[i] = t.fb[batch.lab[i][2]];
  }
}

__attribute__((target("avx2"))) inline __m256d times(double k, __m256d v) {
  return _mm256_mul_pd(_mm256_set1_pd(k), v);
}

// Pass 2: as lab8ToRgb up to the power, four pixels a vector.
__attribute__((target("avx2"))) void linearRgb(size_t count, Batch& batch) {
  const __m256d zero = _mm256_setzero_pd();
  const __m256d one = _mm256_set1_pd(1.0);
  const __m256d floor = _mm256_set1_pd(kGammaFloor);
  const __m256i firstBucket = _mm256_set1_epi64x(static_cast<long long>(kGammaFirstBucket));
  const __m256i lowMask = _mm256_set1_epi64x(static_cast<long long>(kGammaNoThreshold - 1));
  for (size_t i = 0; i < count; i += 4) {
    const __m256d fy = _mm256_load_pd(batch.fy + i);
    const __m256d fx = _mm256_add_pd(_mm256_load_pd(batch.fa + i), fy);
    const __m256d fz = _mm256_sub_pd(fy, _mm256_load_pd(batch.fb + i));
    const __m256d x = times(0.9505, _mm256_mul_pd(_mm256_mul_pd(fx, fx), fx));
    const __m256d y = _mm256_mul_pd(_mm256_mul_pd(fy, fy), fy);
    const __m256d z = times(1.0891, _mm256_mul_pd(_mm256_mul_pd(fz, fz), fz));
    const __m256d linear[3] = {_mm256_sub_pd(_mm256_sub_pd(times(3.5058, x), times(1.7397, y)), times(0.544, z)),
                               _mm256_add_pd(_mm256_add_pd(times(-1.069, x), times(1.9778, y)), times(0.0352, z)),
                               _mm256_add_pd(_mm256_sub_pd(times(0.0563, x), times(0.197, y)), times(1.0501, z))};
    for (int channel = 0; channel < 3; ++channel) {
      // Limited to [0, 1], then at least 2^-18 for the bucket (as gammaOutput).
      const __m256d limited = _mm256_min_pd(_mm256_max_pd(linear[channel], zero), one);
      const __m256i bits = _mm256_castpd_si256(_mm256_max_pd(limited, floor));
      const __m256i bucket = _mm256_sub_epi64(_mm256_srli_epi64(bits, kGammaBucketShift), firstBucket);
      _mm256_store_si256(reinterpret_cast<__m256i*>(batch.bucket[channel] + i), bucket);
      _mm256_store_si256(reinterpret_cast<__m256i*>(batch.lowBits[channel] + i), _mm256_and_si256(bits, lowMask));
    }
  }
}

// Pass 3: the power's output of every value, in pixel order.
void gammaBytes(size_t count, const ColorimetricTables& t, const Batch& batch, uint8_t* rgb) {
  for (size_t i = 0; i < count; ++i) {
    for (int channel = 0; channel < 3; ++channel) {
      rgb[3 * i + channel] = gammaFromBucket(t.gammaBucket[batch.bucket[channel][i]], batch.lowBits[channel][i]);
    }
  }
}

__attribute__((target("avx2"))) void convertRow(const uint8_t* cmyk, uint8_t* rgb, size_t count,
                                                const ColorimetricTables& t) {
  Batch batch;
  for (size_t start = 0; start < count; start += kBatch) {
    const size_t n = std::min(kBatch, count - start);
    interpolate(cmyk + 4 * start, n, t, batch);
    // Whole vectors past the batch's end read defined values.
    for (size_t i = n; i < kBatch + 4; ++i) {
      for (int32_t& v : batch.numerator[i]) v = 0;
      batch.fy[i] = batch.fa[i] = batch.fb[i] = 0.0;
    }
    reduce(n, batch);
    labTerms(n, t, batch);
    linearRgb(n, batch);
    gammaBytes(n, t, batch, rgb + 3 * start);
  }
}

}  // namespace

size_t cmykToRgbRow8Vector(const uint8_t* cmyk, uint8_t* rgb, size_t count) {
  const ColorimetricTables& t = colorimetricTables();
  if (!cpuHasAvx2() || !t.bucketsHoldOneThreshold) return 0;
  convertRow(cmyk, rgb, count, t);
  return count;
}

#else

size_t cmykToRgbRow8Vector(const uint8_t*, uint8_t*, size_t) { return 0; }

#endif

}  // namespace Kelvane
