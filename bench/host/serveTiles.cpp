// serveTiles SOURCE --cache DIR --levels A-B --threads N [--rounds R]
//
// The tiles `kxhost serve SOURCE --cache DIR` answers, made in-process
// without HTTP: the server's own chain, every tile of levels A to B decoded
// and encoded as PNG on N threads. A first pass fills the cache and is not
// timed; then R timed passes (3 unless given). Prints one line,
// `tiles=T ms=M`, M the milliseconds of the best pass over the T tiles: the
// reference a server benchmark divides its warm rate by.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "hostChain/gdalSession.h"
#include "hostChain/optionValues.h"
#include "tileServer/chainShelf.h"
#include "tileServer/servedTile.h"

namespace {

using namespace kxhost;

struct Arguments {
  std::string source;
  std::string cache;
  uint64_t firstLevel = 0;
  uint64_t lastLevel = 0;
  uint64_t threads = 1;
  uint64_t rounds = 3;
};

// The command line; false (after printing the usage) when it is not one.
bool parseArguments(int argc, char** argv, Arguments* arguments) {
  bool levels = false;
  for (int i = 2; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const std::string value = argv[i + 1];
    if (name == "--cache") {
      arguments->cache = value;
    } else if (name == "--levels") {
      const size_t dash = value.find('-');
      levels = dash != std::string::npos && ParseUnsigned(value.substr(0, dash), 0, 30, &arguments->firstLevel) &&
               ParseUnsigned(value.substr(dash + 1), arguments->firstLevel, 30, &arguments->lastLevel);
    } else if (name == "--threads") {
      if (!ParseUnsigned(value, 1, 256, &arguments->threads)) return false;
    } else if (name == "--rounds") {
      if (!ParseUnsigned(value, 1, 1000, &arguments->rounds)) return false;
    } else {
      return false;
    }
  }
  if (argc < 2 || argc % 2 != 0 || arguments->cache.empty() || !levels) return false;
  arguments->source = argv[1];
  return true;
}

struct TileAddress {
  uint32_t z, x, y;
};

// Every tile of the chosen levels that lies on the image.
std::vector<TileAddress> tilesOf(const TileScheme& scheme, const Arguments& arguments) {
  std::vector<TileAddress> tiles;
  const uint32_t last = std::min<uint32_t>(static_cast<uint32_t>(arguments.lastLevel), scheme.maxZoom());
  for (uint32_t z = static_cast<uint32_t>(arguments.firstLevel); z <= last; ++z) {
    for (uint32_t y = 0; y < scheme.rows(z); ++y) {
      for (uint32_t x = 0; x < scheme.columns(z); ++x) tiles.push_back({z, x, y});
    }
  }
  return tiles;
}

// One pass over the tiles on `threads` threads; false after the first failure.
bool makeTiles(const ServedChain& served, const std::vector<TileAddress>& tiles, uint64_t threads) {
  std::atomic<size_t> next{0};
  std::atomic<bool> failed{false};
  std::vector<std::thread> workers;
  for (uint64_t t = 0; t < threads; ++t) {
    workers.emplace_back([&] {
      for (size_t i = next++; i < tiles.size() && !failed; i = next++) {
        ServedTile tile;
        std::string error;
        if (!RenderServedTile(served, tiles[i].z, tiles[i].x, tiles[i].y, &tile, &error)) {
          std::fprintf(stderr, "serveTiles: tile %u/%u/%u: %s\n", tiles[i].z, tiles[i].x, tiles[i].y, error.c_str());
          failed = true;
        }
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  return !failed;
}

}  // namespace

int main(int argc, char** argv) {
  Arguments arguments;
  if (!parseArguments(argc, argv, &arguments)) {
    std::fputs("usage: serveTiles SOURCE --cache DIR --levels A-B --threads N [--rounds R]\n", stderr);
    return 2;
  }
  GdalSession session(nullptr);

  // The chain the server builds for a request without options.
  RenderSettings settings;
  settings.image = arguments.source;
  settings.cache.directory = arguments.cache;
  settings.threads = 1;
  ModuleSearch search;
  search.explicitPath = KX_MODULE_PATH;
  ChainShelf shelf(settings, search, nullptr, 0);
  std::string error;
  const std::shared_ptr<const ServedChain> served = shelf.chainFor(ViewOptions{}, &error);
  if (!served) {
    std::fprintf(stderr, "serveTiles: %s\n", error.c_str());
    return 1;
  }
  const std::vector<TileAddress> tiles = tilesOf(*served->scheme, arguments);

  // The untimed pass that fills the cache, then the best timed one.
  if (!makeTiles(*served, tiles, arguments.threads)) return 1;
  double bestMs = 0.0;
  for (uint64_t round = 0; round < arguments.rounds; ++round) {
    const auto start = std::chrono::steady_clock::now();
    if (!makeTiles(*served, tiles, arguments.threads)) return 1;
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    bestMs = round == 0 ? ms : std::min(bestMs, ms);
  }
  std::printf("tiles=%zu ms=%.3f\n", tiles.size(), bestMs);
  return 0;
}
