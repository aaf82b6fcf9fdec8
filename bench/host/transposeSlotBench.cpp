// The transposer's Transpose slot called as a host calls it: the built module
// loaded with dlopen, the stage made through its class factory, and 8192 x
// 8192 8-bit RGB buffers turned by 90, 180 and 270 degrees on every vector
// target the machine runs, against memcpy of the same bytes in the same
// iterations. Beside the kernel benchmark (transposeBench) in one run of
// scripts/bench.sh, it shows what the slot adds over the kernel.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "benchTiming.h"
#include "hostChain/comPtr.h"
#include "hostChain/moduleLibrary.h"
#include "simdTargets.h"

namespace {

using namespace kxhost;
using Kelvane::bench::secondsOf;

constexpr uint32_t kSide = 8192;
constexpr uint32_t kBands = 3;
constexpr uint32_t kRowBytes = kSide * kBands;

// The module, one transposer stage's IKxTransposer and the two buffers, made
// once and touched before any timing.
struct Fixture {
  std::string error;
  ModuleLibrary module;  // declared first, so destroyed after the stage and its interface
  ComPtr<IKxContentImp> stage;
  ComPtr<Kelvane::IKxTransposer> transposer;
  std::vector<uint8_t> source;
  std::vector<uint8_t> destination;

  Fixture() : source(size_t{kRowBytes} * kSide), destination(source.size()) {
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i * 2654435761u >> 7);
    if (!module.open(KX_MODULE_PATH, &error)) return;
    HRESULT status = module.createStage(Kelvane::CLSID_KxvTransposerImp, stage);
    if (SUCCEEDED(status)) status = stage.queryInto(Kelvane::IID_IKxTransposer, transposer);
    if (FAILED(status)) error = "cannot create the transposer: " + StatusText(status);
  }
  DecodeBuffer buffer(uint8_t* pixels) const {
    DecodeBuffer buffer;
    buffer.scene = {0.0, 0.0, double(kSide), double(kSide), 1.0};
    buffer.pBits = pixels;
    buffer.format = BufferFormat{KX_CS_RGB, kBands, kBands, KX_TYPE_U8, 0, 1, kRowBytes, {0, 1, 2}, 8};
    return buffer;
  }
};

Fixture& fixture() {
  static Fixture shared;
  return shared;
}

void transposeSlot(benchmark::State& state, const Kelvane::bench::SimdTarget& target) {
  Fixture& f = fixture();
  if (!f.transposer) return state.SkipWithError(f.error.c_str());
  const uint32_t angle = static_cast<uint32_t>(state.range(0));
  const Kelvane::bench::ForcedSimdTarget forced(target);
  const DecodeBuffer source = f.buffer(f.source.data());
  DecodeBuffer destination = f.buffer(f.destination.data());
  double memcpySeconds = 0.0;
  double slotSeconds = 0.0;
  for (auto _ : state) {
    memcpySeconds += secondsOf([&] { std::memcpy(f.destination.data(), f.source.data(), f.source.size()); });
    benchmark::ClobberMemory();
    HRESULT status = S_OK;
    const double seconds = secondsOf([&] { status = f.transposer->Transpose(&source, &destination, angle); });
    if (FAILED(status)) return state.SkipWithError(("Transpose failed: " + StatusText(status)).c_str());
    benchmark::ClobberMemory();
    slotSeconds += seconds;
    state.SetIterationTime(seconds);
  }
  state.counters["vs_memcpy"] = memcpySeconds / slotSeconds;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.source.size()));
  const std::string name = "Transpose slot " + std::to_string(angle) + " 8-bit RGB 8192^2 [" + target.name + "]";
  Kelvane::bench::ratios()[name] = memcpySeconds / slotSeconds;
  Kelvane::bench::recordRow(name, slotSeconds, {{"memcpy", memcpySeconds}});
}

void registerSlots() {
  for (const Kelvane::bench::SimdTarget& target : Kelvane::bench::simdTargets()) {
    benchmark::RegisterBenchmark(("transposeSlot/" + target.name).c_str(), transposeSlot, target)
        ->ArgName("angle")
        ->Arg(90)
        ->Arg(180)
        ->Arg(270)
        ->UseManualTime()
        ->Iterations(3)
        ->Unit(benchmark::kMillisecond);
  }
}

}  // namespace

int main(int argc, char** argv) {
  registerSlots();
  return Kelvane::bench::runBenchmarksAndPrintRatios(
      argc, argv, "The Transpose slot's throughput as a fraction of memcpy of the same bytes (one thread):");
}
