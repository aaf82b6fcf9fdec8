// Reading and writing one sample wherever a buffer's layout puts it. A host's
// rows may be any number of bytes long and its sample maps may place a
// sample at any byte, so a 16-bit sample need not lie on a 16-bit boundary:
// samples are moved as bytes, which compilers turn into single loads and
// stores where the target allows them.
#ifndef KELVANE_RASTER_SAMPLE_ACCESS_H
#define KELVANE_RASTER_SAMPLE_ACCESS_H

#include <cstdint>
#include <cstring>

namespace Kelvane {

template <typename T>
inline T loadSample(const T* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

template <typename T>
inline void storeSample(T* at, T value) {
  std::memcpy(at, &value, sizeof value);
}

// The same at a byte address, as a host record's memory gives it.
template <typename T>
inline T loadSampleAt(const uint8_t* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

template <typename T>
inline void storeSampleAt(uint8_t* at, T value) {
  std::memcpy(at, &value, sizeof value);
}

}  // namespace Kelvane

#endif  // KELVANE_RASTER_SAMPLE_ACCESS_H
