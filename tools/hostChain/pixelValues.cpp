#include "hostChain/pixelValues.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <type_traits>

#include "hostChain/kelvaneApi.h"

namespace kxhost {

namespace {

// Appends `value` as one sample of type T when T holds it exactly.
template <typename T>
bool appendSample(double value, std::vector<uint8_t>* bytes) {
  if constexpr (std::is_integral_v<T>) {
    if (value != std::floor(value) || value < std::numeric_limits<T>::lowest() || value > std::numeric_limits<T>::max())
      return false;
  } else if (!std::isfinite(value)) {
    return false;
  }
  const T sample = static_cast<T>(value);
  const size_t at = bytes->size();
  bytes->resize(at + sizeof sample);
  std::memcpy(bytes->data() + at, &sample, sizeof sample);
  return true;
}

bool appendOfType(double value, uint32_t type, std::vector<uint8_t>* bytes) {
  switch (type) {
    case KX_TYPE_U8: return appendSample<uint8_t>(value, bytes);
    case KX_TYPE_S8: return appendSample<int8_t>(value, bytes);
    case KX_TYPE_U16: return appendSample<uint16_t>(value, bytes);
    case KX_TYPE_S16: return appendSample<int16_t>(value, bytes);
    case KX_TYPE_F32: return appendSample<float>(value, bytes);
    default: return false;
  }
}

const char* typeName(uint32_t type) {
  switch (type) {
    case KX_TYPE_U8: return "unsigned 8-bit";
    case KX_TYPE_S8: return "signed 8-bit";
    case KX_TYPE_U16: return "unsigned 16-bit";
    case KX_TYPE_S16: return "signed 16-bit";
    case KX_TYPE_F32: return "32-bit floating-point";
    default: return "unknown";
  }
}

}  // namespace

bool EncodePixel(const std::vector<double>& values, uint32_t type, const char* option, std::vector<uint8_t>* bytes,
                 std::string* error) {
  std::vector<uint8_t> encoded;
  for (double value : values) {
    if (!appendOfType(value, type, &encoded)) {
      char text[64];
      std::snprintf(text, sizeof text, "%g", value);
      *error = std::string(option) + " value " + text + " does not fit the image's " + typeName(type) + " samples";
      return false;
    }
  }
  *bytes = std::move(encoded);
  return true;
}

}  // namespace kxhost
