// Whether the vector kernels of the colour-space transformers may run: AVX2
// on x86-64, asked of the processor once.
#ifndef KELVANE_RASTER_COLOR_SPACE_CPU_FEATURES_H
#define KELVANE_RASTER_COLOR_SPACE_CPU_FEATURES_H

namespace Kelvane {

#if defined(__x86_64__)
inline bool cpuHasAvx2() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has;
}
#else
inline bool cpuHasAvx2() { return false; }
#endif

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_CPU_FEATURES_H
