#include "fakes/decodeBufferBuilder.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "fakes/syntheticSamples.h"

namespace Kelvane::Fakes {

namespace {

uint32_t SlotOf(const BufferLayout& layout, uint32_t s) { return layout.slots.empty() ? s : layout.slots.at(s); }

uint32_t HighestSlot(const BufferLayout& layout) {
  uint32_t highest = 0;
  for (uint32_t s = 0; s < layout.spp; ++s) highest = std::max(highest, SlotOf(layout, s));
  return highest;
}

uint32_t ReadSample(const DecodeBuffer& buffer, uint32_t s, uint32_t x, uint32_t y) {
  uint32_t bits = 0;
  ForHostType(buffer.format.type,
              [&](auto kind) { bits = LoadSample<decltype(kind)::value>(SampleAddress(buffer, s, x, y)); });
  return bits;
}

}  // namespace

uint8_t* SampleAddress(const DecodeBuffer& buffer, uint32_t s, uint32_t x, uint32_t y) {
  const BufferFormat& format = buffer.format;
  return static_cast<uint8_t*>(buffer.pBits) + static_cast<size_t>(y) * format.rowbytes +
         static_cast<size_t>(x) * format.stride * KxHostSampleBytes(format.type) + format.smap[s];
}

DecodeBuffer MakeDecodeRecord(const Scene& scene, const BufferLayout& layout) {
  const uint32_t bytes = KxHostSampleBytes(layout.type);
  if (bytes == 0 || layout.order > 1 || layout.spp == 0 || layout.spp > 256 || layout.align == 0) {
    throw std::invalid_argument("layout cannot be built");
  }
  DecodeBuffer record;
  record.scene = scene;
  BufferFormat& format = record.format;
  format.colorSpace = layout.colorSpace;
  format.spp = layout.spp;
  format.type = layout.type;
  format.order = layout.order;
  format.align = layout.align;
  format.bps = 8 * bytes;
  const size_t columns = ColumnsOf(scene);
  if (layout.order == KX_ORDER_INTERLEAVED) {
    // Interleaved: samples of a pixel side by side, rows aligned.
    format.stride = layout.stride != 0 ? layout.stride : layout.spp;
    if (HighestSlot(layout) >= format.stride) throw std::invalid_argument("slot outside the pixel");
    const size_t packed = columns * format.stride * bytes;
    const size_t aligned = (packed + layout.align - 1) / layout.align * layout.align;
    format.rowbytes = static_cast<uint32_t>(aligned + layout.rowPadding);
  } else {
    // Band-sequential: one plane of rows per band, planes back to back.
    format.stride = 1;
    format.rowbytes = static_cast<uint32_t>(columns * bytes + layout.rowPadding);
  }
  // A slot is a sample's place in the pixel (order 0) or its plane (order 1).
  const size_t slotBytes =
      layout.order == KX_ORDER_INTERLEAVED ? bytes : static_cast<size_t>(RowsOf(scene)) * format.rowbytes;
  for (uint32_t s = 0; s < layout.spp; ++s) format.smap[s] = static_cast<int32_t>(SlotOf(layout, s) * slotBytes);
  return record;
}

std::string FirstSampleMismatch(const DecodeBuffer& buffer,
                                const std::function<uint32_t(uint32_t x, uint32_t y, uint32_t s)>& expected) {
  std::string difference;
  ForEachSample(buffer.scene, buffer.format.spp, [&](uint32_t x, uint32_t y, uint32_t s) {
    const uint32_t got = ReadSample(buffer, s, x, y), want = expected(x, y, s);
    if (got == want) return true;
    char text[128];
    std::snprintf(text, sizeof text, "sample %u of pixel (%u, %u): got 0x%X, expected 0x%X", s, x, y, got, want);
    difference = text;
    return false;
  });
  return difference;
}

OwnedDecodeBuffer::OwnedDecodeBuffer(const Scene& scene, const BufferLayout& layout)
    : record_(MakeDecodeRecord(scene, layout)) {
  // Order 0 spans its rows once; order 1 spans one plane of rows per slot.
  byteSize_ = static_cast<size_t>(RowsOf(scene)) * record_.format.rowbytes *
              (layout.order == KX_ORDER_INTERLEAVED ? 1 : HighestSlot(layout) + 1);
  memory_.assign(byteSize_ + kGuardBytes, kGuardByte);
  std::fill(memory_.begin(), memory_.begin() + byteSize_, layout.fill);
  record_.pBits = memory_.data();
}

uint32_t OwnedDecodeBuffer::sample(uint32_t x, uint32_t y, uint32_t s) const { return ReadSample(record_, s, x, y); }

void OwnedDecodeBuffer::setSample(uint32_t x, uint32_t y, uint32_t s, uint32_t bits) {
  ForHostType(record_.format.type,
              [&](auto kind) { StoreSample<decltype(kind)::value>(SampleAddress(record_, s, x, y), bits); });
}

bool OwnedDecodeBuffer::guardIntact() const {
  return std::all_of(memory_.begin() + byteSize_, memory_.end(), [](uint8_t b) { return b == kGuardByte; });
}

}  // namespace Kelvane::Fakes
