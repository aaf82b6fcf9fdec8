#include "fuzz/hostileBuffer.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "fakes/decodeBufferBuilder.h"

namespace Kelvane::Fuzz {

namespace {

// Pixel memory beyond this is not given: a host of that much memory adds
// nothing a smaller one does not show.
constexpr uint64_t kMostMemory = uint64_t{16} << 20;
constexpr size_t kGuardBytes = 64;
constexpr uint8_t kGuardByte = 0xA5;

uint64_t RowsOrColumns(double extent) {
  return std::isfinite(extent) && extent >= 0.0 && extent < 1.0e9 ? static_cast<uint64_t>(std::floor(extent + 0.5)) : 0;
}

// The bytes a host allocates for a record as the layout is documented:
// rows x rowbytes, times the samples for band-sequential planes.
uint64_t DeclaredBytes(const DecodeBuffer& record) {
  const uint64_t plane = RowsOrColumns(record.scene.height) * record.format.rowbytes;
  if (record.format.order == KX_ORDER_INTERLEAVED) return plane;
  if (record.format.order == KX_ORDER_BAND_SEQUENTIAL) return plane * std::min<uint32_t>(record.format.spp, 4096);
  return 0;
}

Scene PlausibleScene(FuzzedDataProvider& in) {
  static const double kMags[] = {1.0, 1.0, 0.5, 0.25, 2.0, 0.3};
  // Scenes of up to 128 x 128 pixels around images of up to 400 x 400 reach
  // every path (partial tiles, outside the image, several cuts) cheaply.
  const double x = in.ConsumeIntegralInRange<int32_t>(-32, 400), y = in.ConsumeIntegralInRange<int32_t>(-32, 400);
  const double width = in.ConsumeIntegralInRange<int32_t>(0, 128), height = in.ConsumeIntegralInRange<int32_t>(0, 128);
  const double nudge = in.ConsumeBool() ? 0.25 : 0.0;
  return Fakes::MakeScene(x + nudge, y, width, height, in.PickValueInArray(kMags));
}

Fakes::BufferLayout PlausibleLayout(FuzzedDataProvider& in) {
  static const uint32_t kTypes[] = {KX_TYPE_U8, KX_TYPE_U8, KX_TYPE_U16, KX_TYPE_S8, KX_TYPE_S16, KX_TYPE_F32};
  static const uint32_t kAligns[] = {1, 1, 2, 4, 16};
  Fakes::BufferLayout layout =
      Fakes::BufferLayout::Interleaved(in.ConsumeIntegralInRange<uint32_t>(1, 5), in.PickValueInArray(kTypes));
  if (in.ConsumeBool()) layout.colorSpace = in.ConsumeIntegralInRange<uint32_t>(0, 12);
  layout.order = in.ConsumeIntegralInRange<uint32_t>(0, 1);
  layout.stride = layout.spp + in.ConsumeIntegralInRange<uint32_t>(0, 2);
  layout.align = in.PickValueInArray(kAligns);
  layout.rowPadding = in.ConsumeIntegralInRange<uint32_t>(0, 8);
  if (in.ConsumeBool()) {
    for (uint32_t s = 0; s < layout.spp; ++s) layout.slots.push_back(layout.spp - 1 - s);
  }
  return layout;
}

}  // namespace

void Fail(const char* what) {
  std::fprintf(stderr, "fuzz target: %s\n", what);
  std::abort();
}

HostileBuffer::HostileBuffer(FuzzedDataProvider& in) {
  plausible_ = in.ConsumeBool();
  if (plausible_) {
    try {
      record_ = Fakes::MakeDecodeRecord(PlausibleScene(in), PlausibleLayout(in));
    } catch (const std::invalid_argument&) {
      plausible_ = false;
    }
  }
  if (!plausible_) {
    const std::vector<uint8_t> bytes = in.ConsumeBytes<uint8_t>(sizeof record_);
    if (!bytes.empty()) std::memcpy(&record_, bytes.data(), bytes.size());
  }
  // Memory of the declared size, none for a size beyond reach, or none at all.
  record_.pBits = nullptr;
  const uint64_t declared = DeclaredBytes(record_);
  if (declared <= kMostMemory && in.ConsumeIntegralInRange<int>(0, 15) != 0) {
    declared_ = static_cast<size_t>(declared);
    memory_.assign(declared_ + kGuardBytes, kGuardByte);
    record_.pBits = memory_.data();
  }
  made_ = record_;
}

bool HostileBuffer::addressesOnlyItsMemory() const {
  const BufferFormat& format = record_.format;
  const uint64_t sampleBytes = KxHostSampleBytes(format.type);
  const uint64_t columns = RowsOrColumns(record_.scene.width), rows = RowsOrColumns(record_.scene.height);
  if (record_.pBits == nullptr || columns == 0 || rows == 0) return true;
  if (sampleBytes == 0 || format.spp == 0 || format.spp > 256) return false;
  // Offsets grow with rows and columns: the first and last pixels bound them all.
  int64_t lowest = format.smap[0], highest = format.smap[0];
  for (uint32_t s = 1; s < format.spp; ++s) {
    lowest = std::min<int64_t>(lowest, format.smap[s]);
    highest = std::max<int64_t>(highest, format.smap[s]);
  }
  const uint64_t last = (rows - 1) * format.rowbytes + (columns - 1) * format.stride * sampleBytes;
  return lowest >= 0 && last + static_cast<uint64_t>(highest) + sampleBytes <= declared_;
}

void HostileBuffer::checkGuard() const {
  for (size_t i = declared_; i < memory_.size(); ++i) {
    if (memory_[i] != kGuardByte) Fail("a decode wrote past the buffer's declared memory");
  }
}

HostileUpstream MakeHostileUpstream(FuzzedDataProvider& in) {
  static const uint32_t kBands[] = {1, 3, 3, 4, 7, 2, 256, 257, 0, 0x7FFFFFFF};
  static const uint32_t kTypes[] = {KX_TYPE_U8, KX_TYPE_U8, KX_TYPE_U16, KX_TYPE_S8, KX_TYPE_S16, KX_TYPE_F32, 7};
  static const double kMags[] = {1.0, 1.0, 2.0, 0.5, 1.0 / 64};
  Fakes::FakeUpstreamConfig config;
  config.width = in.ConsumeIntegralInRange<uint32_t>(1, 400);
  config.height = in.ConsumeIntegralInRange<uint32_t>(1, 400);
  config.numBands = in.PickValueInArray(kBands);
  config.colorSpace = in.ConsumeIntegralInRange<uint32_t>(0, 12);
  config.type = in.PickValueInArray(kTypes);
  config.bitsPerSample = 8 * KxHostSampleBytes(config.type);
  if (in.ConsumeBool()) config.flags = in.ConsumeIntegral<uint32_t>();
  config.maxMag = in.PickValueInArray(kMags);
  config.hasBandSelect = in.ConsumeBool();
  config.hasImageSize = in.ConsumeBool();
  config.hasBackground = in.ConsumeBool();
  if (in.ConsumeBool()) config.background = {9.0, 200.0, 33.0, 4.0};

  HostileUpstream upstream;
  upstream.source = Fakes::FakeUpstream::Create(config);
  if (upstream.source == nullptr) Fail("out of memory");
  // Failing decodes, and records rewritten after a decode or a background query.
  static const HRESULT kFailures[] = {E_FAIL, E_OUTOFMEMORY, KX_E_INVALID_BUFFER};
  if (in.ConsumeIntegralInRange<int>(0, 7) == 0) {
    upstream.source->failDecode(in.PickValueInArray(kFailures));
    upstream.wellBehaved = false;
  }
  for (int hook = 0; hook < 2; ++hook) {
    if (in.ConsumeIntegralInRange<int>(0, 5) != 0) continue;
    const size_t at = in.ConsumeIntegralInRange<size_t>(0, sizeof(DecodeBuffer) - 4);
    const uint32_t value = in.ConsumeIntegral<uint32_t>();
    const Fakes::FakeUpstream::Tamper tamper = [at, value](DecodeBuffer& record) {
      std::memcpy(reinterpret_cast<uint8_t*>(&record) + at, &value, sizeof value);
    };
    if (hook == 0) upstream.source->tamperWithDecodes(tamper);
    if (hook == 1) upstream.source->tamperWithBackgroundPixel(tamper);
    upstream.wellBehaved = false;
  }
  return upstream;
}

}  // namespace Kelvane::Fuzz
