#include "fakes/decodeBufferBuilder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace Kelvane::Fakes {

namespace {

uint32_t SlotOf(const BufferLayout& layout, uint32_t s) { return layout.slots.empty() ? s : layout.slots.at(s); }

uint32_t HighestSlot(const BufferLayout& layout) {
  uint32_t highest = 0;
  for (uint32_t s = 0; s < layout.spp; ++s) highest = std::max(highest, SlotOf(layout, s));
  return highest;
}

uint8_t* SampleAddress(const DecodeBuffer& buffer, uint32_t s, uint32_t x, uint32_t y) {
  const BufferFormat& format = buffer.format;
  const size_t bytes = KxHostSampleBytes(format.type);
  return static_cast<uint8_t*>(buffer.pBits) + static_cast<size_t>(y) * format.rowbytes +
         static_cast<size_t>(x) * format.stride * bytes + format.smap[s];
}

}  // namespace

BufferLayout BufferLayout::Interleaved(uint32_t spp, uint32_t type) {
  BufferLayout layout;
  layout.colorSpace = spp == 1 ? KX_CS_GREY : spp == 3 ? KX_CS_RGB : KX_CS_MULTIBAND;
  layout.spp = spp;
  layout.type = type;
  return layout;
}

BufferLayout BufferLayout::BandSequential(uint32_t spp, uint32_t type) {
  BufferLayout layout = Interleaved(spp, type);
  layout.order = 1;
  return layout;
}

Scene MakeScene(double ulx, double uly, double width, double height, double mag) {
  Scene scene;
  scene.ulx = ulx;
  scene.uly = uly;
  scene.width = width;
  scene.height = height;
  scene.mag = mag;
  return scene;
}

uint32_t ColumnsOf(const Scene& scene) { return static_cast<uint32_t>(std::floor(scene.width + 0.5)); }

uint32_t RowsOf(const Scene& scene) { return static_cast<uint32_t>(std::floor(scene.height + 0.5)); }

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
  format.bps = layout.bps != 0 ? layout.bps : 8 * bytes;
  const size_t columns = ColumnsOf(scene);
  if (layout.order == 0) {
    // Interleaved: samples of a pixel side by side, rows aligned.
    format.stride = layout.stride != 0 ? layout.stride : layout.spp;
    if (HighestSlot(layout) >= format.stride) throw std::invalid_argument("slot outside the pixel");
    const size_t packed = columns * format.stride * bytes;
    const size_t aligned = (packed + layout.align - 1) / layout.align * layout.align;
    format.rowbytes = static_cast<uint32_t>(aligned + layout.rowPadding);
    for (uint32_t s = 0; s < layout.spp; ++s) format.smap[s] = static_cast<int32_t>(SlotOf(layout, s) * bytes);
  } else {
    // Band-sequential: one plane of rows per band, planes back to back.
    format.stride = 1;
    format.rowbytes = static_cast<uint32_t>(columns * bytes + layout.rowPadding);
    const size_t plane = static_cast<size_t>(RowsOf(scene)) * format.rowbytes;
    for (uint32_t s = 0; s < layout.spp; ++s) format.smap[s] = static_cast<int32_t>(SlotOf(layout, s) * plane);
  }
  return record;
}

size_t LayoutByteSize(const DecodeBuffer& record, const BufferLayout& layout) {
  const size_t rowsBytes = static_cast<size_t>(RowsOf(record.scene)) * record.format.rowbytes;
  return layout.order == 0 ? rowsBytes : rowsBytes * (HighestSlot(layout) + 1);
}

uint32_t ReadSample(const DecodeBuffer& buffer, uint32_t s, uint32_t x, uint32_t y) {
  const uint8_t* address = SampleAddress(buffer, s, x, y);
  switch (KxHostSampleBytes(buffer.format.type)) {
    case 1: return *address;
    case 2: {
      uint16_t value = 0;
      std::memcpy(&value, address, sizeof value);
      return value;
    }
    case 4: {
      uint32_t value = 0;
      std::memcpy(&value, address, sizeof value);
      return value;
    }
    default: return 0;
  }
}

void WriteSample(DecodeBuffer& buffer, uint32_t s, uint32_t x, uint32_t y, uint32_t bits) {
  uint8_t* address = SampleAddress(buffer, s, x, y);
  const uint32_t bytes = KxHostSampleBytes(buffer.format.type);
  if (bytes == 1) {
    *address = static_cast<uint8_t>(bits);
  } else if (bytes == 2) {
    const uint16_t value = static_cast<uint16_t>(bits);
    std::memcpy(address, &value, sizeof value);
  } else if (bytes == 4) {
    std::memcpy(address, &bits, sizeof bits);
  }
}

std::string FirstSampleMismatch(const DecodeBuffer& buffer, const ExpectedSampleFn& expected) {
  const uint32_t columns = ColumnsOf(buffer.scene);
  const uint32_t rows = RowsOf(buffer.scene);
  for (uint32_t y = 0; y < rows; ++y) {
    for (uint32_t x = 0; x < columns; ++x) {
      for (uint32_t s = 0; s < buffer.format.spp; ++s) {
        const uint32_t got = ReadSample(buffer, s, x, y);
        const uint32_t want = expected(x, y, s);
        if (got == want) continue;
        char text[128];
        std::snprintf(text, sizeof text, "sample %u of pixel (%u, %u): got 0x%X, expected 0x%X", s, x, y, got, want);
        return text;
      }
    }
  }
  return std::string();
}

OwnedDecodeBuffer::OwnedDecodeBuffer(const Scene& scene, const BufferLayout& layout)
    : record_(MakeDecodeRecord(scene, layout)), byteSize_(LayoutByteSize(record_, layout)) {
  memory_.assign(byteSize_ + kGuardBytes, kGuardByte);
  fill(layout.fill);
  record_.pBits = memory_.data();
}

void OwnedDecodeBuffer::fill(uint8_t value) { std::fill(memory_.begin(), memory_.begin() + byteSize_, value); }

bool OwnedDecodeBuffer::guardIntact() const {
  return std::all_of(memory_.begin() + byteSize_, memory_.end(), [](uint8_t b) { return b == kGuardByte; });
}

}  // namespace Kelvane::Fakes
