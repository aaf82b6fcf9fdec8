#include "hostChain/optionValues.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace kxhost {

bool Refuse(std::string* error, const std::string& reason) {
  *error = reason;
  return false;
}

bool ParseUnsigned(const std::string& text, uint64_t low, uint64_t high, uint64_t* value) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  errno = 0;
  const unsigned long long parsed = std::strtoull(text.c_str(), nullptr, 10);
  if (errno != 0 || parsed < low || parsed > high) return false;
  *value = parsed;
  return true;
}

bool ParseNumber(const std::string& text, double* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const double parsed = std::strtod(text.c_str(), &end);
  if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(parsed)) return false;
  *value = parsed;
  return true;
}

bool ParseSize(const std::string& text, uint32_t* width, uint32_t* height) {
  const size_t cross = text.find('x');
  if (cross == std::string::npos) return false;
  uint64_t w = 0;
  uint64_t h = 0;
  // GDAL sizes are int; larger images would not fit one raster.
  constexpr uint64_t kLargest = 1u << 30;
  if (!ParseUnsigned(text.substr(0, cross), 1, kLargest, &w) || !ParseUnsigned(text.substr(cross + 1), 1, kLargest, &h))
    return false;
  *width = static_cast<uint32_t>(w);
  *height = static_cast<uint32_t>(h);
  return true;
}

bool ParseNumberList(const std::string& text, std::vector<double>* values) {
  std::vector<double> parsed;
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(',', start);
    double value = 0.0;
    if (!ParseNumber(text.substr(start, comma - start), &value)) return false;
    parsed.push_back(value);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  *values = std::move(parsed);
  return true;
}

}  // namespace kxhost
