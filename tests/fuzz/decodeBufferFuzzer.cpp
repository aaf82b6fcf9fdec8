// Hostile decode requests: a record read from the fuzzer's bytes goes
// through validate, then through every stage the module serves, over an
// upstream source that may fail and rewrite what it is given. Nothing may be
// written past a buffer's declared memory, validate may accept only records
// whose samples lie in their memory, every object goes with its last
// reference, and over a well-behaved upstream the pixels are its own.
//
// A stage is one row of kStages: how to make it, how to set it up from the
// fuzzer's bytes, whether it checks the caller's buffer before it touches it
// (a stage that forwards it unchecked to the host's own upstream is given
// sound buffers alone), and the operations of its own it offers on a host's
// records, run with hostile ones.
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "com/kxComClassEntry.h"
#include "fuzz/hostileBuffer.h"
#include "stages/multibandSelector/kxv_multibandSelectorImp.h"
#include "stages/persistantPixelCache/kxv_persistantPixelCache.h"
#include "stages/pixelReplacer/kxv_pixelReplacerImp.h"
#include "stages/transposer/kxv_transposerImp.h"
#include "stages/watermarker/kxv_watermarkerImp.h"

namespace Kelvane::Fuzz {
namespace {

// What a stage's setup tells the checks that follow.
struct StageSetup {
  const uint16_t* bandMap = nullptr;  // the selection a decode delivers, if any
  std::vector<uint16_t> bands;
  bool deliversUpstreamPixels = true;  // whether decodes deliver the upstream's pixels in place
};

using Configure = StageSetup (*)(KxvContentBase* stage, FuzzedDataProvider& in, const RasterProps& source);
using Operate = void (*)(KxvContentBase* stage, FuzzedDataProvider& in);

struct FuzzedStage {
  const char* name;
  HRESULT (*create)(IUnknown* outer, INondelegatingUnknown** out);
  Configure configure;
  bool validatesBuffers;
  Operate operate;  // null when the stage offers none
};

// Pixel values a host hands the replacer: blocks that hold any pixel of up
// to 256 samples of 4 bytes, as large as any sound record's pixel.
constexpr size_t kPixelBlock = 1024;
std::vector<uint8_t> PixelValue(FuzzedDataProvider& in) {
  std::vector<uint8_t> value = in.ConsumeBytes<uint8_t>(kPixelBlock);
  value.resize(kPixelBlock);
  return value;
}
bool PixelFitsBlock(const BufferFormat& format) {
  return uint64_t{format.spp} * KxHostSampleBytes(format.type) <= kPixelBlock;
}

// A directory of this process's own for cache stages, emptied for each input.
const std::string& CacheDirectory() {
  static const std::string directory =
      (std::filesystem::temp_directory_path() / ("kx-fuzz-cache-" + std::to_string(getpid()))).string();
  return directory;
}

StageSetup ConfigureTransposer(KxvContentBase* stage, FuzzedDataProvider& in, const RasterProps&) {
  static const uint32_t kAngles[] = {0, 90, 180, 270, 45};
  const uint32_t angle = in.PickValueInArray(kAngles);
  static_cast<KxvTransposerImp*>(stage)->SetRotation(angle);
  StageSetup setup;
  setup.deliversUpstreamPixels = angle == 0;
  return setup;
}

void TransposeHostRecords(KxvContentBase* stage, FuzzedDataProvider& in) {
  HostileBuffer from(in), to(in);
  static_cast<KxvTransposerImp*>(stage)->Transpose(from.get(), to.get(), in.ConsumeIntegralInRange<uint32_t>(0, 360));
  to.checkGuard();
}

StageSetup ConfigureSelector(KxvContentBase* stage, FuzzedDataProvider& in, const RasterProps& source) {
  auto* selector = static_cast<KxvMultibandSelectorImp*>(stage);
  StageSetup setup;
  // Initialize shows a many-band image as its first three bands.
  if ((source.colorSpace == KX_CS_NONE || source.colorSpace == KX_CS_MULTIBAND) && source.numBands >= 3)
    setup.bands = {0, 1, 2};
  if (in.ConsumeBool()) {
    std::vector<uint16_t> bands(in.ConsumeIntegralInRange<size_t>(0, 6));
    for (uint16_t& band : bands) band = in.ConsumeIntegralInRange<uint16_t>(0, 9);
    if (SUCCEEDED(selector->SetBands(bands.data(), static_cast<uint16_t>(bands.size())))) setup.bands = bands;
  }
  setup.bandMap = setup.bands.empty() ? nullptr : setup.bands.data();
  return setup;
}

StageSetup ConfigureCache(KxvContentBase* stage, FuzzedDataProvider& in, const RasterProps&) {
  auto* cache = static_cast<KxvPersistantPixelCache*>(stage);
  static const uint32_t kTiles[] = {16, 32, 64, 100, 512, 0};
  static const double kThresholds[] = {0.0, 0.0, 0.25, 0.5, 1.0};
  static const double kMags[] = {1.0, 1.0, 2.0, 4.0};
  cache->SetCacheDirectory(in.ConsumeIntegralInRange<int>(0, 5) == 0 ? nullptr : CacheDirectory().c_str());
  cache->SetTileSize(in.PickValueInArray(kTiles), in.PickValueInArray(kTiles));
  cache->SetMaxCuts(in.ConsumeIntegralInRange<uint32_t>(0, 5));
  cache->SetUtilityThreshold(in.PickValueInArray(kThresholds));
  cache->SetTileRatioThreshold(in.PickValueInArray(kThresholds) / 4);
  cache->SetMaxMagnification(in.PickValueInArray(kMags));
  return StageSetup();
}

StageSetup ConfigureReplacer(KxvContentBase* stage, FuzzedDataProvider& in, const RasterProps&) {
  HostileBuffer layout(in);
  const std::vector<uint8_t> from = PixelValue(in), to = PixelValue(in);
  if (PixelFitsBlock(layout.record().format))
    static_cast<KxvPixelReplacerImp*>(stage)->SetReplacement(&layout.record().format, from.data(), to.data());
  StageSetup setup;
  setup.deliversUpstreamPixels = false;
  return setup;
}

void ReplaceInHostRecords(KxvContentBase* stage, FuzzedDataProvider& in) {
  auto* replacer = static_cast<KxvPixelReplacerImp*>(stage);
  HostileBuffer target(in), source(in), replacement(in);
  const std::vector<uint8_t> from = PixelValue(in), to = PixelValue(in);
  if (PixelFitsBlock(target.record().format)) replacer->ReplacePixels(target.get(), from.data(), to.data());
  target.checkGuard();
  static const uint32_t kOperations[] = {KX_MERGE_KEY_EXACT, KX_MERGE_KEY_TOLERANT, KX_MERGE_COPY_SOURCE, 0, 12};
  if (PixelFitsBlock(source.record().format))
    replacer->MergeKeyed(target.get(), source.get(), replacement.get(), from.data(), in.PickValueInArray(kOperations));
  target.checkGuard();
}

StageSetup ConfigureWatermarker(KxvContentBase* stage, FuzzedDataProvider& in, const RasterProps&) {
  auto* watermarker = static_cast<KxvWatermarkerImp*>(stage);
  HostileBuffer watermark(in);
  watermarker->SetWatermark(watermark.get());
  watermarker->SetWatermarkMode(in.ConsumeIntegralInRange<uint32_t>(0, 4));
  StageSetup setup;
  setup.deliversUpstreamPixels = false;
  return setup;
}

void StampHostRecords(KxvContentBase* stage, FuzzedDataProvider& in) {
  HostileBuffer destination(in), watermark(in);
  static_cast<KxvWatermarkerImp*>(stage)->Composite(destination.get(), watermark.get(),
                                                    in.ConsumeIntegralInRange<uint32_t>(0, 4));
  destination.checkGuard();
}

// Every stage the module serves; a new one is one more row.
const FuzzedStage kStages[] = {
    {"transposer", KxComCreate<KxvTransposerImp>, ConfigureTransposer, true, TransposeHostRecords},
    {"multiband selector", KxComCreate<KxvMultibandSelectorImp>, ConfigureSelector, false, nullptr},
    {"persistent pixel cache", KxComCreate<KxvPersistantPixelCache>, ConfigureCache, true, nullptr},
    {"pixel replacer", KxComCreate<KxvPixelReplacerImp>, ConfigureReplacer, false, ReplaceInHostRecords},
    {"watermarker", KxComCreate<KxvWatermarkerImp>, ConfigureWatermarker, false, StampHostRecords},
};

// A record validate accepted with pixel memory must address only that memory.
void CheckValidated(HRESULT status, const HostileBuffer& buffer) {
  if (status == S_OK && !buffer.addressesOnlyItsMemory()) Fail("validate accepted a buffer larger than its memory");
  buffer.checkGuard();
}

// The stage's pixels over a well-behaved upstream are the upstream's own.
void CheckPixels(const HostileBuffer& buffer, const Fakes::FakeUpstream& source, const StageSetup& setup) {
  const Fakes::FakeUpstreamConfig& config = source.config();
  // Without the background query the cache fills with zero, not the source's background.
  if (!config.hasBackground && !config.background.empty()) return;
  if (!source.FirstMismatch(buffer.record(), setup.bandMap).empty()) Fail("a decode delivered wrong pixels");
}

void RunStage(const FuzzedStage& row, FuzzedDataProvider& in) {
  const auto liveBefore = KxComUnknown::GetLiveObjectCount();
  HostileUpstream upstream = MakeHostileUpstream(in);
  INondelegatingUnknown* object = nullptr;
  if (row.create(nullptr, &object) != S_OK) Fail("a stage could not be made");
  KxvContentBase* stage = dynamic_cast<KxvContentBase*>(reinterpret_cast<KxComUnknown*>(object));
  stage->SetContainedImp(upstream.source);
  stage->Initialize();
  RasterProps source;
  upstream.source->GetRasterProps(&source);
  const StageSetup setup = row.configure(stage, in, source);

  // validate on its own, against a layout and properties of the fuzzer's.
  {
    HostileBuffer buffer(in), layout(in);
    RasterProps props;
    stage->GetRasterProps(&props);
    if (in.ConsumeBool()) props.flags = in.ConsumeIntegral<uint32_t>();
    CheckValidated(stage->validate(buffer.get(), layout.record().format, props), buffer);
  }
  // Decodes, twice for what a first decode leaves behind.
  HostileBuffer buffer(in);
  const uint32_t quality = in.ConsumeBool() ? KXV_BEST_QUALITY : in.ConsumeIntegral<uint32_t>();
  for (int round = 0; round < 2; ++round) {
    buffer.restore();
    if (!row.validatesBuffers && !buffer.addressesOnlyItsMemory()) break;
    const HRESULT status = stage->Decode(buffer.get(), quality, nullptr);
    buffer.checkGuard();
    if (status == S_OK && buffer.plausible() && upstream.wellBehaved && setup.deliversUpstreamPixels && quality != 0)
      CheckPixels(buffer, *upstream.source, setup);
  }
  // The stage's own operations on records of the host's.
  if (row.operate != nullptr) row.operate(stage, in);
  object->NondelegatingRelease();
  if (upstream.source->Release() != 0) Fail("the upstream source kept a reference");
  if (KxComUnknown::GetLiveObjectCount() != liveBefore) Fail("a module object outlived its last reference");
}

}  // namespace
}  // namespace Kelvane::Fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace Kelvane::Fuzz;
  FuzzedDataProvider in(data, size);
  std::error_code ignored;
  std::filesystem::remove_all(CacheDirectory(), ignored);
  RunStage(kStages[in.ConsumeIntegralInRange<size_t>(0, std::size(kStages) - 1)], in);
  return 0;
}
