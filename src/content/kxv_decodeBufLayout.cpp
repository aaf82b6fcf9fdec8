// KxvDecodeBufConfig: derived layout values of a buffer (extents, row bytes,
// byte size, sample maps and indices, sample addresses).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "content/kxv_decodeBufConfig.h"

namespace Kelvane {

namespace {

// Product of two unsigned 64-bit values; false when it overflows.
bool MultiplyChecked(uint64_t a, uint64_t b, uint64_t* product) { return !__builtin_mul_overflow(a, b, product); }

// Sum a + b x c in 64 bits; empty when it overflows.
std::optional<uint64_t> MultiplyAdd(uint64_t a, uint64_t b, uint64_t c) {
  uint64_t product = 0;
  uint64_t sum = 0;
  if (__builtin_mul_overflow(b, c, &product) || __builtin_add_overflow(a, product, &sum)) return std::nullopt;
  return sum;
}

// Largest size pixel memory may have: every byte offset into it must fit a
// signed pointer difference on the platform.
constexpr uint64_t kMaxAddressableBytes = static_cast<uint64_t>(std::numeric_limits<std::ptrdiff_t>::max());

}  // namespace

uint32_t KxvDecodeBufConfig::WidestBitsPerSample(uint32_t type) {
  switch (type) {
    case KX_TYPE_U8:
    case KX_TYPE_S8: return 8;
    case KX_TYPE_U16:
    case KX_TYPE_S16: return 16;
    default: return 0;
  }
}

std::optional<uint32_t> KxvDecodeBufConfig::ExtentCount(double extent) {
  // NaN fails both comparisons, so it is refused with the infinities.
  if (!(extent >= 0.0) || !std::isfinite(extent)) return std::nullopt;
  const double count = std::floor(extent + 0.5);
  if (count > static_cast<double>(kMaxExtent)) return std::nullopt;
  return static_cast<uint32_t>(count);
}

std::optional<KxvDecodeBufConfig::PixelExtent> KxvDecodeBufConfig::PixelExtentOf(const DecodeBuffer& buffer) {
  const std::optional<uint32_t> columns = ExtentCount(buffer.scene.width);
  const std::optional<uint32_t> rows = ExtentCount(buffer.scene.height);
  if (!columns || !rows) return std::nullopt;
  return PixelExtent{*columns, *rows};
}

bool KxvDecodeBufConfig::IsSceneUsable(const Scene& scene) {
  return std::isfinite(scene.ulx) && std::isfinite(scene.uly) && ExtentCount(scene.width).has_value() &&
         ExtentCount(scene.height).has_value() && std::isfinite(scene.mag) && scene.mag > 0.0;
}

bool KxvDecodeBufConfig::SameRecordLayout(const DecodeBuffer& before, const DecodeBuffer& after) {
  // Compared as bytes: a NaN written over a scene value differs from it too.
  return std::memcmp(&before.scene, &after.scene, sizeof before.scene) == 0 && before.size == after.size &&
         before.pBits == after.pBits && std::memcmp(&before.format, &after.format, sizeof before.format) == 0;
}

std::optional<uint32_t> KxvDecodeBufConfig::RowBytes(const Scene& scene, const BufferFormat& format, bool aligned) {
  const std::optional<uint32_t> columns = ExtentCount(scene.width);
  if (!columns) return std::nullopt;
  // Only orders 0 and 1 describe a layout; any other has no rows.
  if (format.order != KX_ORDER_INTERLEAVED && format.order != KX_ORDER_BAND_SEQUENTIAL) return 0u;
  const uint64_t stride = format.order == KX_ORDER_INTERLEAVED ? format.stride : 1;
  uint64_t row = 0;
  if (!MultiplyChecked(uint64_t{BytesPerSample(format.type)} * *columns, stride, &row)) return std::nullopt;
  if (row > UINT32_MAX) return std::nullopt;
  // Rows of order 0 are padded to the alignment; an alignment of 0 means none.
  if (aligned && format.order == KX_ORDER_INTERLEAVED && format.align > 1 && row % format.align != 0) {
    row += format.align - row % format.align;
    if (row > UINT32_MAX) return std::nullopt;
  }
  return static_cast<uint32_t>(row);
}

uint32_t KxvDecodeBufConfig::ComputeRowBytes(const DecodeBuffer& buffer, const BufferFormat& format) {
  return RowBytes(buffer.scene, format, true).value_or(0u);
}

std::optional<uint64_t> KxvDecodeBufConfig::TryByteSize(const DecodeBuffer& buffer) {
  const BufferFormat& format = buffer.format;
  const std::optional<uint32_t> rows = ExtentCount(buffer.scene.height);
  if (!rows) return std::nullopt;
  if (format.order != KX_ORDER_INTERLEAVED && format.order != KX_ORDER_BAND_SEQUENTIAL) return 0u;
  // Fewer than 2^31 rows of fewer than 2^32 bytes cannot overflow; the planes
  // of order 1 can.
  const uint64_t plane = uint64_t{*rows} * format.rowbytes;
  uint64_t bytes = plane;
  if (format.order == KX_ORDER_BAND_SEQUENTIAL && !MultiplyChecked(plane, format.spp, &bytes)) return std::nullopt;
  if (bytes > kMaxAddressableBytes) return std::nullopt;
  return bytes;
}

uint64_t KxvDecodeBufConfig::GetByteSize(const DecodeBuffer& buffer) { return TryByteSize(buffer).value_or(0u); }

bool KxvDecodeBufConfig::FitsDeclaredMemory(const DecodeBuffer& buffer) {
  const std::optional<uint32_t> row = RowBytes(buffer.scene, buffer.format, false);
  return row.has_value() && *row <= buffer.format.rowbytes && TryByteSize(buffer).has_value();
}

bool KxvDecodeBufConfig::SamplesFitLayout(const DecodeBuffer& buffer) {
  const BufferFormat& format = buffer.format;
  const uint64_t sampleBytes = BytesPerSample(format.type);
  if (sampleBytes == 0 || format.spp == 0 || format.spp > kMaxSamples) return false;
  if (format.order != KX_ORDER_INTERLEAVED && format.order != KX_ORDER_BAND_SEQUENTIAL) return false;
  if (!StrideFitsOrder(format)) return false;
  // Rows of order 0 are padded to their alignment; none of 0 bytes exists.
  if (format.order == KX_ORDER_INTERLEAVED && format.align == 0) return false;
  const std::optional<uint32_t> columns = ExtentCount(buffer.scene.width);
  const std::optional<uint32_t> rows = ExtentCount(buffer.scene.height);
  if (!columns || !rows) return false;
  // An empty scene addresses no sample at all.
  if (*columns == 0 || *rows == 0) return true;

  // Room each sample takes and the room all samples of a pixel share.
  const bool interleaved = format.order == KX_ORDER_INTERLEAVED;
  const uint64_t step = uint64_t{format.stride} * sampleBytes;
  const uint64_t byteSize = GetByteSize(buffer);
  const uint64_t sampleRoom = interleaved ? sampleBytes : uint64_t{*rows} * format.rowbytes;
  const uint64_t sharedRoom = interleaved ? step : byteSize;
  // The last pixel of a row ends within the row pitch, and the layout has an addressable size.
  const std::optional<uint64_t> rowUse = MultiplyAdd(interleaved ? step : sampleBytes, *columns - 1, step);
  if (!rowUse || *rowUse > format.rowbytes || byteSize == 0) return false;

  // Offsets in ascending order: the first at or after the start, each clear of the one before, the last inside.
  std::array<int64_t, kMaxSamples> offsets{};
  const auto used = offsets.begin() + format.spp;
  std::copy(format.smap, format.smap + format.spp, offsets.begin());
  std::sort(offsets.begin(), used);
  if (offsets[0] < 0 || static_cast<uint64_t>(*(used - 1)) + sampleRoom > sharedRoom) return false;
  for (auto offset = offsets.begin() + 1; offset != used; ++offset) {
    if (static_cast<uint64_t>(*offset - *(offset - 1)) < sampleRoom) return false;
  }
  return true;
}

void KxvDecodeBufConfig::SetSampleMap(DecodeBuffer& buffer, const uint8_t* indices) {
  BufferFormat& format = buffer.format;
  // Offset of index 1: one sample in order 0, one plane in order 1.
  uint64_t unit = 0;
  if (format.order == KX_ORDER_INTERLEAVED) {
    unit = BytesPerSample(format.type);
  } else if (format.order == KX_ORDER_BAND_SEQUENTIAL) {
    unit = uint64_t{ExtentCount(buffer.scene.height).value_or(0u)} * format.rowbytes;
  } else {
    return;
  }
  // Offsets are kept to the map's 32-bit width; memory this module allocates
  // never needs more (see TryByteSize), so only a host's own layout can wrap.
  const uint32_t count = format.spp < kMaxSamples ? format.spp : kMaxSamples;
  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t index = indices != nullptr ? indices[i] : i;
    format.smap[i] = static_cast<int32_t>(static_cast<uint32_t>(index * unit));
  }
}

KxvSampleIndices KxvDecodeBufConfig::GetSampleIndices(const BufferFormat& format) {
  KxvSampleIndices indices{};
  const uint32_t count = format.spp < kMaxSamples ? format.spp : kMaxSamples;
  if (count <= 1) return indices;
  // Smallest non-zero distance from sample 0, in 64 bits so that offsets of
  // opposite sign cannot overflow.
  int64_t unit = 0;
  for (uint32_t i = 1; i < count; ++i) {
    const int64_t distance = std::llabs(int64_t{format.smap[i]} - format.smap[0]);
    if (distance != 0 && (unit == 0 || distance < unit)) unit = distance;
  }
  // Every index of a map without distances is taken in natural order.
  for (uint32_t i = 0; i < count; ++i) {
    indices[i] = static_cast<uint8_t>(unit == 0 ? i : format.smap[i] / unit);
  }
  return indices;
}

uint8_t* KxvDecodeBufConfig::GetSampleAddress(const DecodeBuffer& buffer, uint32_t sample, uint32_t column,
                                              uint32_t row) {
  const BufferFormat& format = buffer.format;
  const uint32_t sampleBytes = BytesPerSample(format.type);
  if (buffer.pBits == nullptr || sampleBytes == 0 || sample >= kMaxSamples) return nullptr;
  // Computed on addresses as integers: unsigned arithmetic wraps where a
  // caller's position lies outside the memory, instead of being undefined.
  const uint64_t offset = uint64_t{row} * format.rowbytes + uint64_t{column} * format.stride * sampleBytes +
                          static_cast<uint64_t>(int64_t{format.smap[sample]});
  const uintptr_t address = reinterpret_cast<uintptr_t>(buffer.pBits) + static_cast<uintptr_t>(offset);
  return reinterpret_cast<uint8_t*>(address);
}

uint8_t* KxvDecodeBufConfig::GetSampleAddress(const DecodeBuffer& buffer, uint32_t sample) {
  return GetSampleAddress(buffer, sample, 0, 0);
}

}  // namespace Kelvane
