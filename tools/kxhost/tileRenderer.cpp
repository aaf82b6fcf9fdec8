#include "kxhost/tileRenderer.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace kxhost {

namespace {

struct TileGrid {
  int64_t cols = 0;
  int64_t rows = 0;
  int64_t across = 1;  // tiles per row
  int64_t down = 1;    // tile rows
  int64_t size = 0;    // 0: the whole scene is one tile
};

TileGrid gridOf(const RenderJob& job) {
  TileGrid grid;
  grid.cols = static_cast<int64_t>(std::floor(job.whole.scene.width + 0.5));
  grid.rows = static_cast<int64_t>(std::floor(job.whole.scene.height + 0.5));
  if (job.tileSize == 0 || grid.cols == 0 || grid.rows == 0) return grid;
  grid.size = job.tileSize;
  grid.across = (grid.cols + grid.size - 1) / grid.size;
  grid.down = (grid.rows + grid.size - 1) / grid.size;
  return grid;
}

// The decode buffer of tile `index`: the whole buffer's layout, its scene
// part and the matching part of its pixel memory.
DecodeBuffer tileBuffer(const RenderJob& job, const TileGrid& grid, int64_t index) {
  DecodeBuffer tile = job.whole;
  if (grid.size == 0) return tile;
  const int64_t x = (index % grid.across) * grid.size;
  const int64_t y = (index / grid.across) * grid.size;
  const uint32_t sampleBytes = KxHostSampleBytes(job.whole.format.type);
  tile.scene.ulx = std::floor(job.whole.scene.ulx + 0.5) + static_cast<double>(x);
  tile.scene.uly = std::floor(job.whole.scene.uly + 0.5) + static_cast<double>(y);
  tile.scene.width = static_cast<double>(std::min(grid.size, grid.cols - x));
  tile.scene.height = static_cast<double>(std::min(grid.size, grid.rows - y));
  tile.pBits = static_cast<uint8_t*>(job.whole.pBits) + y * static_cast<int64_t>(job.whole.format.rowbytes) +
               x * static_cast<int64_t>(job.whole.format.stride) * sampleBytes;
  return tile;
}

}  // namespace

size_t RenderDecodeCount(const RenderJob& job) {
  const TileGrid grid = gridOf(job);
  return static_cast<size_t>(grid.across * grid.down);
}

HRESULT RenderScene(const RenderJob& job, const RenderProgress& progress, Scene* failedScene) {
  if (job.head == nullptr) return E_INVALIDARG;
  const TileGrid grid = gridOf(job);
  const int64_t total = grid.across * grid.down;

  // Shared by the workers: the next tile to take, the count done, the first failure.
  std::atomic<int64_t> next{0};
  std::atomic<int64_t> done{0};
  std::mutex failureLock;
  HRESULT failure = S_OK;

  auto work = [&]() {
    for (int64_t index = next++; index < total; index = next++) {
      DecodeBuffer tile = tileBuffer(job, grid, index);
      const HRESULT status = job.head->Decode(&tile, KXV_BEST_QUALITY, nullptr);
      if (FAILED(status)) {
        std::lock_guard<std::mutex> hold(failureLock);
        if (SUCCEEDED(failure)) {
          failure = status;
          if (failedScene != nullptr) *failedScene = tile.scene;
        }
        next = total;  // no new tiles after a failure
        return;
      }
      const int64_t finished = ++done;
      if (progress) progress(static_cast<size_t>(finished), static_cast<size_t>(total));
    }
  };

  // The calling thread works too, so one thread means no extra thread; when
  // the system refuses more threads, those already started do the work.
  const int64_t helpers = std::min<int64_t>(std::max<uint32_t>(job.threads, 1u), total) - 1;
  std::vector<std::thread> workers;
  try {
    for (int64_t i = 0; i < helpers; ++i) workers.emplace_back(work);
  } catch (const std::system_error&) {
  }
  work();
  for (std::thread& worker : workers) worker.join();
  return failure;
}

}  // namespace kxhost
