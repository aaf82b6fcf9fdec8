// KxvDecodeBufConfig: initialising a buffer, changing one layout field at a
// time, and attaching or releasing pixel memory.
#include "content/kxv_decodeBufConfig.h"

#include <cstdint>
#include <new>

namespace Kelvane {

namespace {

// Samples per pixel a colour space gives a buffer; codes without a fixed
// count (multiband, unknown) keep the current one.
uint32_t SamplesOfColorSpace(uint32_t colorSpace, uint32_t current) {
  switch (colorSpace) {
    case KX_CS_RGB:
    case KX_CS_YIQ: return 3;
    case KX_CS_FOUR_SAMPLE:
    case KX_CS_CMYK:
    case KX_CS_RGBK:
    case KX_CS_YIQK: return 4;
    case KX_CS_GREY: return 1;
    default: return current;
  }
}

}  // namespace

void KxvDecodeBufConfig::InitFromFormat(DecodeBuffer& buffer, const Scene& scene, const BufferFormat& format) {
  // Copies first: the scene or format may live inside the buffer being cleared.
  const Scene sceneCopy = scene;
  const BufferFormat formatCopy = format;
  // A fresh record carries size 1120, resultCode 1, no pixel memory and zeros elsewhere.
  buffer = DecodeBuffer{};
  buffer.scene = sceneCopy;
  buffer.format = formatCopy;
  // The format's sample order, with offsets for this buffer's rows.
  RefitToScene(buffer);
}

void KxvDecodeBufConfig::InitFromProps(DecodeBuffer& buffer, const Scene& scene, const RasterProps& props) {
  const Scene sceneCopy = scene;
  buffer = DecodeBuffer{};
  buffer.scene = sceneCopy;
  // The source's native form: its bands interleaved without padding.
  BufferFormat& format = buffer.format;
  format.colorSpace = props.colorSpace;
  format.spp = props.numBands;
  format.stride = props.numBands;
  format.bps = props.bitsPerSample;
  format.order = KX_ORDER_INTERLEAVED;
  format.align = 1;
  format.type = (format.bps > 8 ? KX_TYPE_U16 : KX_TYPE_U8) + (props.pixel.isSigned() ? 1u : 0u);
  Rederive(buffer);
}

size_t KxvDecodeBufConfig::alloc(DecodeBuffer& buffer, IKxLogSink* sink) {
  if (buffer.pBits != nullptr) return 0;
  // Size the memory for the layout as it stands now.
  RefitToScene(buffer);
  const bool rowFits = RowBytes(buffer.scene, buffer.format, true).has_value();
  const std::optional<uint64_t> bytes = rowFits ? TryByteSize(buffer) : std::nullopt;
  if (!bytes) {
    if (sink != nullptr) sink->Write(4, "KxvDecodeBufConfig::alloc() - no addressable size for this scene and layout");
    return 0;
  }
  if (*bytes == 0) {
    if (sink != nullptr) sink->Write(4, "attempt to allocate 0 bytes in KxvDecodeBufConfig::alloc()");
    return 0;
  }
  const size_t size = static_cast<size_t>(*bytes);
  buffer.pBits = new (std::nothrow) uint8_t[size];
  return buffer.pBits != nullptr ? size : 0;
}

void KxvDecodeBufConfig::ReleaseBits(DecodeBuffer& buffer) {
  delete[] static_cast<uint8_t*>(buffer.pBits);
  buffer.pBits = nullptr;
}

void KxvDecodeBufConfig::RefitToScene(DecodeBuffer& buffer) {
  const KxvSampleIndices indices = GetSampleIndices(buffer.format);
  buffer.format.rowbytes = ComputeRowBytes(buffer, buffer.format);
  SetSampleMap(buffer, indices.data());
}

void KxvDecodeBufConfig::Rederive(DecodeBuffer& buffer) {
  buffer.format.rowbytes = ComputeRowBytes(buffer, buffer.format);
  SetSampleMap(buffer, nullptr);
}

void KxvDecodeBufConfig::SetColorSpace(DecodeBuffer& buffer, uint32_t colorSpace) {
  BufferFormat& format = buffer.format;
  if (format.colorSpace == colorSpace) return;
  format.colorSpace = colorSpace;
  const uint32_t previousSpp = format.spp;
  format.spp = SamplesOfColorSpace(colorSpace, format.spp);
  // A new sample count needs a map entry for every sample, whatever the
  // stride; interleaved pixels also take the new count as their stride.
  bool changed = format.spp != previousSpp;
  if (format.stride != format.spp && format.order == KX_ORDER_INTERLEAVED) {
    format.stride = format.spp;
    changed = true;
  }
  if (changed) Rederive(buffer);
}

void KxvDecodeBufConfig::SetDataType(DecodeBuffer& buffer, uint32_t type) {
  BufferFormat& format = buffer.format;
  if (format.type == type) return;
  format.type = type;
  const uint32_t widest = WidestBitsPerSample(type);
  if (widest != 0 && format.bps > widest) format.bps = widest;
  Rederive(buffer);
}

void KxvDecodeBufConfig::SetBitsPerSample(DecodeBuffer& buffer, uint32_t bits) {
  BufferFormat& format = buffer.format;
  bits %= 256;
  if (format.bps == bits) return;
  const uint32_t widest = WidestBitsPerSample(format.type);
  if (widest != 0 && bits > widest) return;
  format.bps = bits;
  Rederive(buffer);
}

void KxvDecodeBufConfig::SetAlign(DecodeBuffer& buffer, uint32_t bytes) {
  BufferFormat& format = buffer.format;
  // Planes of order 1 are never padded.
  if (format.align == bytes || format.order == KX_ORDER_BAND_SEQUENTIAL) return;
  format.align = bytes;
  Rederive(buffer);
}

void KxvDecodeBufConfig::SetOrder(DecodeBuffer& buffer, uint32_t order) {
  BufferFormat& format = buffer.format;
  if (format.order == order) return;
  format.order = order;
  // A single sample is laid out the same way in both orders.
  if (format.spp == 1) return;
  if (order == KX_ORDER_INTERLEAVED && format.stride < format.spp) {
    format.stride = format.spp;
  } else if (order == KX_ORDER_BAND_SEQUENTIAL) {
    format.align = 1;
    format.stride = 1;
  }
  Rederive(buffer);
}

}  // namespace Kelvane
