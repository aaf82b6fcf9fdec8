// Tile file I/O through KxIOFileStream: one 512 x 512 RGB 8-bit tile written
// and read back per iteration, against memcpy of the same bytes measured in
// the same iterations. Counter vs_memcpy is memcpy time / stream time.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "benchTiming.h"
#include "support/kxIOFileStream.h"

namespace {

using Kelvane::KxIOFileStream;
using Kelvane::PathString;
using Kelvane::bench::threadSeconds;

constexpr uint32_t kTileBytes = 512 * 512 * 3;

// Writes the tile to a fresh file and reads it back; false when a transfer falls short.
bool roundTrip(const PathString& path, const std::vector<uint8_t>& tile, std::vector<uint8_t>* back) {
  KxIOFileStream stream;
  if (stream.initialize(path, "w+b") != 0 || stream.open() != 0) return false;
  const bool written = stream.write(tile.data(), kTileBytes) == kTileBytes;
  const bool rewound = stream.seek(0, Kelvane::KX_SEEK_BEGIN) == 0;
  const bool read = stream.read(back->data(), kTileBytes) == kTileBytes;
  return stream.close() == 0 && written && rewound && read;
}

void tileRoundTrip(benchmark::State& state) {
  std::vector<uint8_t> tile(kTileBytes);
  for (size_t i = 0; i < tile.size(); ++i) tile[i] = static_cast<uint8_t>(i * 2654435761u >> 11);
  std::vector<uint8_t> back(kTileBytes);
  std::vector<uint8_t> copy(kTileBytes);
  const std::string file = "/tmp/kx-file-stream-bench-" + std::to_string(::getpid()) + ".raw";
  const PathString path(file.c_str());

  double memcpySeconds = 0.0;
  double streamSeconds = 0.0;
  for (auto _ : state) {
    double begin = threadSeconds();
    std::memcpy(copy.data(), tile.data(), kTileBytes);
    std::memcpy(back.data(), copy.data(), kTileBytes);
    benchmark::DoNotOptimize(back.data());
    memcpySeconds += threadSeconds() - begin;
    begin = threadSeconds();
    if (!roundTrip(path, tile, &back)) state.SkipWithError("tile round trip failed");
    streamSeconds += threadSeconds() - begin;
  }
  ::unlink(file.c_str());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 2 * kTileBytes);
  state.counters["vs_memcpy"] = streamSeconds > 0.0 ? memcpySeconds / streamSeconds : 0.0;
  Kelvane::bench::recordRow("tile file write and read back, 512x512 RGB", streamSeconds, {{"memcpy", memcpySeconds}});
}
BENCHMARK(tileRoundTrip)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  return Kelvane::bench::runBenchmarksAndPrintRatios(argc, argv,
                                                     "Tile file round trip (ratio to two memcpy of the tile):");
}
