// Cost of turned decodes through the transposer stage: 512 x 512 RGB tiles of
// an in-memory 4096 x 4096 source, decoded at 90, 180 and 270 degrees against
// the same tiles decoded unturned (straight into the caller's buffer), with
// memcpy of the same bytes as the reference. Counter turned_vs_direct is
// turned time / unturned time; the stage's targets are at most 1.3 for half
// turns and 1.6 for quarter turns.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "benchSourceBase.h"
#include "benchTiming.h"
#include "com/kxComClassEntry.h"
#include "stages/transposer/kxv_transposerImp.h"

namespace {

using namespace Kelvane;
using bench::secondsOf;

constexpr uint32_t kSide = 4096;
constexpr uint32_t kTile = 512;
constexpr uint32_t kBands = 3;
constexpr uint32_t kTilesPerSide = kSide / kTile;

// An upstream source holding its whole image in memory: a decode copies the
// scene's rows into the buffer, as a decoder with everything cached would.
class InMemorySource final : public bench::BenchSourceBase<InMemorySource> {
 public:
  InMemorySource() : pixels_(size_t{kSide} * kSide * kBands) {
    for (size_t i = 0; i < pixels_.size(); ++i) pixels_[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
  }

  HRESULT KX_STDCALL GetRasterProps(RasterProps* props) override {
    bench::describeRgb8Image(props, kSide, KX_CAP_PARTIAL_SCENE, 1.0);
    return S_OK;
  }
  HRESULT KX_STDCALL Decode(DecodeBuffer* buffer, uint32_t, void*) override {
    const BufferFormat& format = buffer->format;
    const auto x = static_cast<uint32_t>(buffer->scene.ulx);
    const auto y = static_cast<uint32_t>(buffer->scene.uly);
    const auto columns = static_cast<uint32_t>(buffer->scene.width);
    const auto rows = static_cast<uint32_t>(buffer->scene.height);
    if (buffer->pBits == nullptr || format.type != KX_TYPE_U8 || format.stride != kBands || format.order != 0 ||
        x + columns > kSide || y + rows > kSide)
      return E_INVALIDARG;
    auto* to = static_cast<uint8_t*>(buffer->pBits);
    for (uint32_t r = 0; r < rows; ++r) {
      std::memcpy(to + size_t{r} * format.rowbytes, &pixels_[(size_t{y + r} * kSide + x) * kBands], columns * kBands);
    }
    buffer->resultCode = 0;
    return S_OK;
  }
  const uint8_t* pixels() const { return pixels_.data(); }

 private:
  std::vector<uint8_t> pixels_;
};

InMemorySource& source() {
  static InMemorySource image;
  return image;
}

// A transposer over the source at one angle; released by the caller.
KxvTransposerImp* makeStage(uint32_t angle) {
  INondelegatingUnknown* object = nullptr;
  if (KxComCreate<KxvTransposerImp>(nullptr, &object) != S_OK) return nullptr;
  auto* stage = static_cast<KxvTransposerImp*>(object);
  static_cast<IKxContentImp*>(stage)->SetContainedImp(&source());
  stage->SetRotation(angle);
  static_cast<IKxContentImp*>(stage)->Initialize();
  return stage;
}

// The caller's tile buffer, reused from decode to decode as a host does.
struct TileBuffer {
  std::vector<uint8_t> pixels = std::vector<uint8_t>(size_t{kTile} * kTile * kBands, 0);
  DecodeBuffer record;

  TileBuffer() {
    record.pBits = pixels.data();
    record.format = bench::packedRgb8Format(kTile);
  }
};

// Decodes every tile of the image once; false when a decode fails.
bool decodeAllTiles(IKxContentImp* stage, TileBuffer& tile) {
  for (uint32_t t = 0; t < kTilesPerSide * kTilesPerSide; ++t) {
    tile.record.scene = Scene{double(t % kTilesPerSide * kTile), double(t / kTilesPerSide * kTile), kTile, kTile, 1.0};
    if (stage->Decode(&tile.record, KXV_BEST_QUALITY, nullptr) != S_OK) return false;
  }
  return true;
}

void turnedTiles(benchmark::State& state) {
  const auto angle = static_cast<uint32_t>(state.range(0));
  KxvTransposerImp* direct = makeStage(0);
  KxvTransposerImp* turned = makeStage(angle);
  TileBuffer tile;
  std::vector<uint8_t> copy(tile.pixels.size());
  double directSeconds = 0.0, turnedSeconds = 0.0, memcpySeconds = 0.0;
  bool failed = false;
  for (auto _ : state) {
    directSeconds += secondsOf([&] { failed |= !decodeAllTiles(direct, tile); });
    const double seconds = secondsOf([&] { failed |= !decodeAllTiles(turned, tile); });
    turnedSeconds += seconds;
    memcpySeconds += secondsOf([&] {
      for (uint32_t t = 0; t < kTilesPerSide * kTilesPerSide; ++t) {
        std::memcpy(copy.data(), source().pixels() + size_t{t} * copy.size(), copy.size());
        benchmark::ClobberMemory();
      }
    });
    state.SetIterationTime(seconds);
  }
  if (failed) state.SkipWithError("a decode failed");
  state.counters["turned_vs_direct"] = turnedSeconds / directSeconds;
  state.counters["direct_vs_memcpy"] = directSeconds / memcpySeconds;
  state.counters["turned_vs_memcpy"] = turnedSeconds / memcpySeconds;
  state.SetBytesProcessed(
      static_cast<int64_t>(state.iterations() * tile.pixels.size() * kTilesPerSide * kTilesPerSide));
  bench::ratios()["Rotate" + std::to_string(angle) + " turned / unturned"] = turnedSeconds / directSeconds;
  bench::recordRow("stage: 512^2 RGB tiles turned " + std::to_string(angle) + " degrees", turnedSeconds,
                   {{"unturned decode", directSeconds}, {"memcpy", memcpySeconds}});
  static_cast<IKxContentImp*>(direct)->Release();
  static_cast<IKxContentImp*>(turned)->Release();
}

BENCHMARK(turnedTiles)
    ->ArgName("angle")
    ->Arg(90)
    ->Arg(180)
    ->Arg(270)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return Kelvane::bench::runBenchmarksAndPrintRatios(
      argc, argv,
      "Turned decode time as a share of unturned decode time, 512 x 512 RGB tiles (targets: at most 130% for "
      "half turns, 160% for quarter turns):");
}
