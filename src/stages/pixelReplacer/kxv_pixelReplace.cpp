#include "stages/pixelReplacer/kxv_pixelReplace.h"

#include <cstring>
#include <limits>

#include "content/kxv_decodeBufConfig.h"
#include "stages/pixelReplacer/kxv_pixelWords.h"

namespace Kelvane {

namespace {

// Bytes of one sample as the pixel size counts them: bps rounded up to bytes.
uint64_t sampleBytesOf(const BufferFormat& format) { return (uint64_t{format.bps} + 7) / 8; }

// Fixed-size kernel: pixel comparison and copy are a few instructions each,
// and packed rows pass over blocks of pixels that cannot hold the key.
template <size_t Size>
void replaceFixed(const KxvPixelRows& rows, const uint8_t* from, const uint8_t* to) {
  using Word = KxvPixelWord<Size>;
  using Block = KxvKeyBlock<Size>;
  uint8_t replacement[Size];
  std::memcpy(replacement, to, Size);
  // Kept in locals: writes through pixel pointers could otherwise alias them.
  const size_t pixelStep = rows.pixelStep;
  const uint32_t columns = rows.columns;
  const uint32_t blockColumns = pixelStep == Size ? columns - columns % Block::kPixels : 0;
  uint8_t* row = rows.first;
  if (from == nullptr) {
    for (uint32_t y = 0; y < rows.rows; ++y, row += rows.rowStep) {
      uint8_t* pixel = row;
      for (uint32_t x = 0; x < columns; ++x, pixel += pixelStep) std::memcpy(pixel, replacement, Size);
    }
    return;
  }
  const typename Word::Type wanted = Word::load(from);
  const Block block(from);
  for (uint32_t y = 0; y < rows.rows; ++y, row += rows.rowStep) {
    uint8_t* pixel = row;
    uint32_t x = 0;
    for (; x < blockColumns; x += Block::kPixels) {
      if (!block.mayHoldKey(pixel)) {
        pixel += Block::kBytes;
        continue;
      }
      for (size_t i = 0; i < Block::kPixels; ++i, pixel += Size) {
        if (Word::load(pixel) == wanted) std::memcpy(pixel, replacement, Size);
      }
    }
    for (; x < columns; ++x, pixel += pixelStep) {
      if (Word::load(pixel) == wanted) std::memcpy(pixel, replacement, Size);
    }
  }
}

// Any pixel size, compared and copied byte-wise.
void replacePlain(const KxvPixelRows& rows, const uint8_t* from, const uint8_t* to) {
  uint8_t* row = rows.first;
  for (uint32_t y = 0; y < rows.rows; ++y, row += rows.rowStep) {
    uint8_t* pixel = row;
    for (uint32_t x = 0; x < rows.columns; ++x, pixel += rows.pixelStep) {
      if (from == nullptr || std::memcmp(pixel, from, rows.pixelBytes) == 0) std::memcpy(pixel, to, rows.pixelBytes);
    }
  }
}

}  // namespace

uint64_t pixelBytesOf(const BufferFormat& format) { return uint64_t{format.spp} * sampleBytesOf(format); }

std::optional<KxvPixelRows> pixelRowsOf(const DecodeBuffer& buffer) {
  const BufferFormat& format = buffer.format;
  const std::optional<KxvDecodeBufConfig::PixelExtent> extent = KxvDecodeBufConfig::PixelExtentOf(buffer);
  if (!extent || buffer.pBits == nullptr || format.order != KX_ORDER_INTERLEAVED) return std::nullopt;
  // Pixels may not overlap: a replacement written into one would change the next before it is compared.
  const uint64_t pixelBytes = pixelBytesOf(format);
  const uint64_t step = uint64_t{format.stride} * sampleBytesOf(format);
  if (pixelBytes > step) return std::nullopt;
  // The last pixel of a row ends within the row pitch; a row of whole steps
  // that overflows could never fit the 32-bit pitch.
  uint64_t wholeSteps = 0;
  if (__builtin_mul_overflow(uint64_t{extent->columns}, step, &wholeSteps)) return std::nullopt;
  if (extent->columns != 0 && wholeSteps - step + pixelBytes > format.rowbytes) return std::nullopt;
  if (uint64_t{extent->rows} * format.rowbytes > static_cast<uint64_t>(std::numeric_limits<std::ptrdiff_t>::max())) {
    return std::nullopt;
  }
  return KxvPixelRows{static_cast<uint8_t*>(buffer.pBits), extent->columns,           extent->rows,
                      static_cast<size_t>(pixelBytes),     static_cast<size_t>(step), format.rowbytes};
}

void replacePixelRows(const KxvPixelRows& rows, const uint8_t* from, const uint8_t* to, bool fastPaths) {
  // The pixel size is chosen once for the whole buffer.
  if (fastPaths) {
    switch (rows.pixelBytes) {
      case 1: return replaceFixed<1>(rows, from, to);
      case 2: return replaceFixed<2>(rows, from, to);
      case 3: return replaceFixed<3>(rows, from, to);
      case 4: return replaceFixed<4>(rows, from, to);
      case 6: return replaceFixed<6>(rows, from, to);
      case 8: return replaceFixed<8>(rows, from, to);
      default: break;
    }
  }
  replacePlain(rows, from, to);
}

HRESULT replacePixels(DecodeBuffer* buffer, const void* from, const void* to) {
  if (buffer == nullptr || to == nullptr || buffer->format.order != KX_ORDER_INTERLEAVED) return E_INVALIDARG;
  // A buffer without pixels has nothing to replace, memory or not.
  const std::optional<KxvDecodeBufConfig::PixelExtent> extent = KxvDecodeBufConfig::PixelExtentOf(*buffer);
  if (extent && (extent->columns == 0 || extent->rows == 0)) return S_OK;
  const std::optional<KxvPixelRows> rows = pixelRowsOf(*buffer);
  if (!rows) return E_INVALIDARG;
  replacePixelRows(*rows, static_cast<const uint8_t*>(from), static_cast<const uint8_t*>(to));
  return S_OK;
}

}  // namespace Kelvane
