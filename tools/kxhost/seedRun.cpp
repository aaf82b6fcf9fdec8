#include "kxhost/seedRun.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <exception>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "hostChain/moduleLibrary.h"
#include "hostChain/optionValues.h"
#include "hostChain/renderFormat.h"
#include "kxhost/seedTileFile.h"

namespace kxhost {

namespace {

enum class Outcome { kWritten, kSkipped, kRefused };

// What the workers share: the next tile to take, the counts and the first failure.
struct SeedState {
  std::atomic<size_t> next{0};
  std::mutex lock;  // guards the rest
  size_t done = 0;
  SeedTally tally;
  std::string failure;
};

// "level 1 row 2 column 3" for messages.
std::string tileText(const PlannedTile& tile) {
  char text[96];
  std::snprintf(text, sizeof text, "level %u row %u column %u", tile.level, tile.row, tile.column);
  return text;
}

// Decodes one tile through the cache unless its file is there already; the
// file's size in `bytes` when the decode wrote it.
bool seedTile(const SeedJob& job, const PlannedTile& tile, std::vector<uint8_t>* pixels, Outcome* outcome,
              uint64_t* bytes, std::string* error) {
  DecodeBuffer buffer;
  buffer.scene = tile.scene;
  if (!RenderBufferFormat(job.props, tile.scene, &buffer.format, error) ||
      !FitsInMemory(tile.scene, buffer.format, "a cache tile", error))
    return false;
  const std::string path = CacheTilePath(job.directory, tile, buffer.format);
  if (RegularFileSize(path)) {
    *outcome = Outcome::kSkipped;
    return true;
  }
  try {
    pixels->resize(std::max(pixels->size(), static_cast<size_t>(tile.scene.height) * buffer.format.rowbytes));
  } catch (const std::exception&) {
    return Refuse(error, "not enough memory for the tile at " + tileText(tile));
  }
  buffer.pBits = pixels->data();
  const HRESULT status = job.cache->Decode(&buffer, KXV_BEST_QUALITY, nullptr);
  if (FAILED(status))
    return Refuse(error, "decoding the tile at " + tileText(tile) + " failed with " + StatusText(status));
  const std::optional<uint64_t> written = RegularFileSize(path);
  *outcome = written ? Outcome::kWritten : Outcome::kRefused;
  *bytes = written.value_or(0);
  return true;
}

// Adds one tile's outcome to the tally and reports the count done.
void count(SeedState& state, Outcome outcome, uint64_t bytes, const SeedProgress& progress) {
  size_t done = 0;
  {
    std::lock_guard<std::mutex> hold(state.lock);
    SeedTally& tally = state.tally;
    ++(outcome == Outcome::kWritten ? tally.written : outcome == Outcome::kSkipped ? tally.skipped : tally.refused);
    tally.bytes += bytes;
    done = ++state.done;
  }
  if (progress) progress(done);
}

// One thread's work: tiles taken one at a time until none are left or one fails.
void seedWorker(const SeedJob& job, SeedState& state, const SeedProgress& progress) {
  std::vector<uint8_t> pixels;  // the thread's tile buffer, grown to the largest tile it meets
  for (size_t index = state.next++; index < job.tiles.size(); index = state.next++) {
    Outcome outcome = Outcome::kRefused;
    uint64_t bytes = 0;
    std::string error;
    if (!seedTile(job, job.tiles[index], &pixels, &outcome, &bytes, &error)) {
      std::lock_guard<std::mutex> hold(state.lock);
      if (state.failure.empty()) state.failure = error;
      state.next = job.tiles.size();  // no new tiles after a failure
      return;
    }
    count(state, outcome, bytes, progress);
  }
}

}  // namespace

bool SeedTiles(const SeedJob& job, const SeedProgress& progress, SeedTally* tally, std::string* error) {
  SeedState state;
  // The calling thread works too; when the system refuses more threads,
  // those already started do the work.
  const size_t helpers = std::min<size_t>(std::max(job.threads, 1u), std::max<size_t>(job.tiles.size(), 1)) - 1;
  std::vector<std::thread> workers;
  try {
    for (size_t i = 0; i < helpers; ++i) workers.emplace_back([&] { seedWorker(job, state, progress); });
  } catch (const std::system_error&) {
  }
  seedWorker(job, state, progress);
  for (std::thread& worker : workers) worker.join();
  *tally = state.tally;
  return state.failure.empty() || Refuse(error, state.failure);
}

}  // namespace kxhost
