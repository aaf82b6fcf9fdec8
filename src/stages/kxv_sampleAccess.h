// Loading and storing one sample at its address in a DecodeBuffer's pixel
// memory. Samples are moved as bytes: a sample map may place a 16-bit sample
// at an odd offset, where a typed access would be misaligned.
#ifndef KELVANE_STAGES_KXV_SAMPLE_ACCESS_H
#define KELVANE_STAGES_KXV_SAMPLE_ACCESS_H

#include <cstdint>
#include <cstring>

namespace Kelvane {

template <typename Sample>
Sample loadSample(const uint8_t* at) {
  Sample value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

template <typename Sample>
void storeSample(uint8_t* at, Sample value) {
  std::memcpy(at, &value, sizeof value);
}

}  // namespace Kelvane

#endif  // KELVANE_STAGES_KXV_SAMPLE_ACCESS_H
