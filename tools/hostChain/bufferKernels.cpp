#include "hostChain/bufferKernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

namespace kxhost {

namespace {

// A value in the sample type's range; NaN, which integers cannot hold, is 0.
template <typename T>
T convertSample(double value) {
  if constexpr (std::is_floating_point_v<T>) {
    return static_cast<T>(value);
  } else {
    if (std::isnan(value)) return 0;
    const double low = std::numeric_limits<T>::lowest();
    const double high = std::numeric_limits<T>::max();
    return static_cast<T>(std::clamp(std::nearbyint(value), low, high));
  }
}

template <typename T>
void fillTyped(const BufferLayout& layout, const PixelRect& rect, const double* values) {
  for (uint32_t s = 0; s < layout.spp; ++s) {
    const T value = convertSample<T>(values[s]);
    for (int64_t y = rect.y0; y < rect.y1; ++y) {
      uint8_t* sample = layout.sampleAt(rect.x0, y, s);
      for (int64_t x = rect.x0; x < rect.x1; ++x, sample += layout.pixelStep) {
        std::memcpy(sample, &value, sizeof value);
      }
    }
  }
}

}  // namespace

void FillRect(const BufferLayout& layout, const PixelRect& rect, const double* values) {
  if (rect.empty()) return;
  switch (layout.type) {
    case KX_TYPE_U8: fillTyped<uint8_t>(layout, rect, values); break;
    case KX_TYPE_S8: fillTyped<int8_t>(layout, rect, values); break;
    case KX_TYPE_U16: fillTyped<uint16_t>(layout, rect, values); break;
    case KX_TYPE_S16: fillTyped<int16_t>(layout, rect, values); break;
    case KX_TYPE_F32: fillTyped<float>(layout, rect, values); break;
    default: break;
  }
}

void StoreSignedBytes(const int16_t* plane, const BufferLayout& layout, const PixelRect& rect, uint32_t sample) {
  const int16_t* from = plane;
  for (int64_t y = rect.y0; y < rect.y1; ++y) {
    uint8_t* to = layout.sampleAt(rect.x0, y, sample);
    for (int64_t x = rect.x0; x < rect.x1; ++x, ++from, to += layout.pixelStep) {
      const int8_t value = static_cast<int8_t>(std::clamp<int16_t>(*from, -128, 127));
      std::memcpy(to, &value, 1);
    }
  }
}

}  // namespace kxhost
