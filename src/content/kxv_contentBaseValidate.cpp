// KxvContentBase::validate: the check a stage runs on a caller's buffer
// before it decodes into it. Besides the differences the source does not
// handle, it refuses caller memory whose declared layout would make a
// decode write one sample over another or outside the declared bytes.
#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "content/kxv_bufferText.h"
#include "content/kxv_contentBase.h"
#include "content/kxv_decodeBufConfig.h"
#include "support/kxLog.h"

namespace Kelvane {

namespace {

// Sum a + b x c in 64 bits; empty when it overflows.
std::optional<uint64_t> MultiplyAdd(uint64_t a, uint64_t b, uint64_t c) {
  uint64_t product = 0;
  uint64_t sum = 0;
  if (__builtin_mul_overflow(b, c, &product) || __builtin_add_overflow(a, product, &sum)) return std::nullopt;
  return sum;
}

// Whether the layout is well formed and every sample of every pixel of the
// scene lies inside the bytes it declares, no two samples sharing a byte. In
// order 0 each sample keeps to its pixel's step and pixels keep to their row;
// in order 1 each band's plane keeps to the declared memory and rows to their
// pitch.
bool SamplesFitLayout(const DecodeBuffer& buffer) {
  const BufferFormat& format = buffer.format;
  const uint64_t sampleBytes = KxvDecodeBufConfig::BytesPerSample(format.type);
  if (sampleBytes == 0 || format.spp == 0 || format.spp > KxvDecodeBufConfig::kMaxSamples) return false;
  if (format.order != KX_ORDER_INTERLEAVED && format.order != KX_ORDER_BAND_SEQUENTIAL) return false;
  // Rows of order 0 are padded to their alignment; none of 0 bytes exists.
  if (format.order == KX_ORDER_INTERLEAVED && format.align == 0) return false;
  const std::optional<uint32_t> columns = KxvDecodeBufConfig::ExtentCount(buffer.scene.width);
  const std::optional<uint32_t> rows = KxvDecodeBufConfig::ExtentCount(buffer.scene.height);
  if (!columns || !rows) return false;
  // An empty scene addresses no sample at all.
  if (*columns == 0 || *rows == 0) return true;

  // Room each sample takes and the room all samples of a pixel share.
  const bool interleaved = format.order == KX_ORDER_INTERLEAVED;
  const uint64_t step = uint64_t{format.stride} * sampleBytes;
  const uint64_t byteSize = KxvDecodeBufConfig::GetByteSize(buffer);
  const uint64_t sampleRoom = interleaved ? sampleBytes : uint64_t{*rows} * format.rowbytes;
  const uint64_t sharedRoom = interleaved ? step : byteSize;
  // The last pixel of a row ends within the row pitch, and the layout has an addressable size.
  const std::optional<uint64_t> rowUse = MultiplyAdd(interleaved ? step : sampleBytes, *columns - 1, step);
  if (!rowUse || *rowUse > format.rowbytes || byteSize == 0) return false;

  // Offsets in ascending order: the first at or after the start, each clear of the one before, the last inside.
  std::array<int64_t, KxvDecodeBufConfig::kMaxSamples> offsets{};
  const auto used = offsets.begin() + format.spp;
  std::copy(format.smap, format.smap + format.spp, offsets.begin());
  std::sort(offsets.begin(), used);
  if (offsets[0] < 0 || static_cast<uint64_t>(*(used - 1)) + sampleRoom > sharedRoom) return false;
  for (auto offset = offsets.begin() + 1; offset != used; ++offset) {
    if (static_cast<uint64_t>(*offset - *(offset - 1)) < sampleRoom) return false;
  }
  return true;
}

// Writes why validation failed and the buffer as it now stands. Logging is
// best effort: a line that cannot be built never changes the status.
void LogValidationFailure(IKxLogSink* sink, uint32_t reasons, const DecodeBuffer& buffer) {
  if (sink == nullptr) return;
  try {
    logDetail(sink, "KxvContentBase::validate failed, reason=%d", static_cast<int>(reasons));
    if (sink->GetLevel() >= KX_LOG_DETAIL) logDetail(sink, "%s", KxvBufferLine("buf is", buffer).c_str());
  } catch (...) {
    // The failure status stands without its log lines.
  }
}

}  // namespace

HRESULT KxvContentBase::validate(DecodeBuffer* buffer, const BufferFormat& format, const RasterProps& props) {
  return guarded([&]() -> HRESULT {
    if (buffer == nullptr) return E_INVALIDARG;
    IKxLogSink* sink = logSink();
    // Differences the source does not handle; a buffer without memory is rewritten towards what it delivers.
    uint32_t reasons = KxvDecodeBufConfig::CheckBuffer(*buffer, format, props, sink);
    if (buffer->pBits != nullptr && !SamplesFitLayout(*buffer)) reasons |= KXV_REASON_UNUSABLE;
    if (reasons != 0) {
      LogValidationFailure(sink, reasons, *buffer);
      return KX_E_INVALID_BUFFER;
    }
    if (buffer->pBits == nullptr) return KX_E_NO_PIXEL_MEMORY;
    // A scene without extent leaves nothing to decode.
    if (!(buffer->scene.width > 0.0) || !(buffer->scene.height > 0.0)) return E_FAIL;
    return S_OK;
  });
}

}  // namespace Kelvane
