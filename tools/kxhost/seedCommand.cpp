// kxhost seed IMAGE --cache DIR: fills the persistent pixel cache that
// `render --cache` with the same options reads, with every tile of the chosen
// levels, or of one deterministic part of them. The chain is the render's;
// the tiles are decoded through its cache stage, since the stages above it
// change no cached tile.
#include <unistd.h>

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <optional>
#include <string>

#include "hostChain/comPtr.h"
#include "hostChain/moduleLibrary.h"
#include "hostChain/optionValues.h"
#include "hostChain/renderChain.h"
#include "kxhost/commands.h"
#include "kxhost/hostModule.h"
#include "kxhost/progressBar.h"
#include "kxhost/seedOptions.h"
#include "kxhost/seedRun.h"

namespace kxhost {

namespace {

// Most tiles a seed plans at once: the plan and its deal then stay under a
// gigabyte, far above the tiles of any image a cache tile size suits.
constexpr uint64_t kMaxPlannedTiles = uint64_t{1} << 23;

// The chain's cache stage, found from its head down, with where it keeps
// its tiles, what it reports and the grid of its tiles.
bool reachCacheStage(const RenderChain& chain, ComPtr<IKxContentImp>* stage, SeedJob* job, TileGridShape* shape,
                     std::string* error) {
  ComPtr<IKxPersistantPixelCache2> cache;
  HRESULT status = chain.head()->FindInterface(IID_IKxPersistantPixelCache2, cache.putVoid());
  if (FAILED(status)) return Refuse(error, "the chain has no persistent pixel cache (" + StatusText(status) + ")");
  status = cache.queryInto(IID_IKxContentImp, *stage);
  if (SUCCEEDED(status)) status = cache->GetTileSize(&shape->tileWidth, &shape->tileHeight);
  if (SUCCEEDED(status)) status = (*stage)->GetRasterProps(&job->props);
  if (FAILED(status)) return Refuse(error, "the persistent pixel cache failed with " + StatusText(status));
  const char* stored = cache->GetCacheDirectory();
  if (stored == nullptr) return Refuse(error, "the persistent pixel cache has no directory");
  job->directory = stored;
  job->cache = stage->get();
  shape->imageWidth = job->props.width;
  shape->imageHeight = job->props.height;
  return true;
}

// The job: this part's tiles of the chosen levels, through the cache stage.
bool planSeed(const SeedSettings& settings, const RenderChain& chain, ComPtr<IKxContentImp>* stage, SeedJob* job,
              std::string* error) {
  TileGridShape shape;
  if (!reachCacheStage(chain, stage, job, &shape, error)) return false;
  const uint64_t planned = CountPlannedTiles(shape, settings.firstLevel, settings.lastLevel);
  if (planned > kMaxPlannedTiles)
    return Refuse(error, std::to_string(planned) + " tiles are more than a seed plans at once (" +
                             std::to_string(kMaxPlannedTiles) + "); choose a larger --cache-tile or fewer --levels");
  job->tiles = TakePart(PlanTiles(shape, settings.firstLevel, settings.lastLevel), settings.part, settings.parts);
  job->threads = settings.render.threads;
  return true;
}

// Seeds the job with a progress bar when stderr is a terminal.
bool runSeed(const SeedJob& job, SeedTally* tally, std::string* error) {
  std::optional<ProgressBar> bar;
  if (::isatty(STDERR_FILENO) == 1) bar.emplace(job.tiles.size(), "tiles");
  const bool seeded = SeedTiles(
      job,
      [&bar](size_t done) {
        if (bar) bar->update(done);
      },
      tally, error);
  if (seeded && bar) bar->finish(job.tiles.size());
  return seeded;
}

}  // namespace

int SeedCommand(const HostContext& context) {
  const auto start = std::chrono::steady_clock::now();
  std::string error;
  SeedSettings settings;
  RenderChain chain;
  ComPtr<IKxContentImp> stage;  // declared after the chain: released before the module closes
  SeedJob job;
  SeedTally tally;
  const bool seeded = ParseSeedOptions(context.line, &settings, &error) &&
                      BuildRenderChain(settings.render, KxhostModuleSearch(context.line), context.logger,
                                       StderrLogger::kVerboseLevel, &chain, &error) &&
                      planSeed(settings, chain, &stage, &job, &error) && runSeed(job, &tally, &error);
  if (!seeded) return ReportFailure(error);
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
  std::printf("seeded %" PRIu64 " tiles (%" PRIu64 " skipped, %" PRIu64 " refused), %" PRIu64 " bytes, in %.1f s\n",
              tally.written, tally.skipped, tally.refused, tally.bytes, seconds.count());
  return 0;
}

}  // namespace kxhost
