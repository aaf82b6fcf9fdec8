#include "stages/persistantPixelCache/kxv_cachedDecode.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "content/kxv_decodeBufConfig.h"
#include "stages/kxv_bufferSamples.h"
#include "stages/persistantPixelCache/kxv_cacheGeometry.h"
#include "stages/persistantPixelCache/kxv_cacheTrace.h"
#include "stages/persistantPixelCache/kxv_tileName.h"
#include "support/kxLog.h"

namespace Kelvane {

namespace {

// Pixel memory of a working buffer, freed when this goes out of scope.
class WorkingBits {
 public:
  explicit WorkingBits(DecodeBuffer& buffer) : buffer_(buffer) {}
  ~WorkingBits() { KxvDecodeBufConfig::ReleaseBits(buffer_); }
  WorkingBits(const WorkingBits&) = delete;
  WorkingBits& operator=(const WorkingBits&) = delete;

  bool allocate(IKxLogSink* sink) { return KxvDecodeBufConfig::alloc(buffer_, sink) != 0; }

 private:
  DecodeBuffer& buffer_;
};

}  // namespace

KxvCachedDecode::KxvCachedDecode(const KxvCacheSettings& settings, KxvTileFiles& files, IKxLogSink* sink,
                                 const KxvTileGeometry& geometry, UpstreamDecode upstream)
    : settings_(settings), files_(files), sink_(sink), geometry_(geometry), upstream_(std::move(upstream)) {}

DecodeBuffer KxvCachedDecode::tileRecord(const Scene& rect, const BufferFormat& format) const {
  DecodeBuffer record;
  KxvDecodeBufConfig::InitFromFormat(record, rect, format);
  setTileFileLayout(record);
  return record;
}

HRESULT KxvCachedDecode::decodeAllTiles(DecodeBuffer& destination, const KxvTileRange& range) {
  // Survey, then group the missing tiles into cuts.
  KxvTileGrid grid;
  std::vector<CachedTile> cached;
  double missingArea = 0.0;
  surveyTiles(destination, range, &grid, &cached, &missingArea);
  KxvCutList cuts = formRuns(grid);
  mergeCuts(cuts);
  if (!cuts.empty() && settings_.utilityThreshold > 0.0) {
    narrowCutsToScene(cuts, destination.scene, settings_.utilityThreshold, &missingArea);
  }
  const size_t formedCuts = cuts.size();

  // Too many cuts: the whole scene in one decode; else the tiles on disk, then the cuts.
  uint32_t reads = 0;
  uint32_t written = 0;
  HRESULT status = S_OK;
  if (formedCuts > settings_.maxCuts) {
    cuts.clear();
    status = decodeWholeScene(destination, &written);
  } else {
    status = readCachedTiles(destination, cached, cuts, &reads);
    if (SUCCEEDED(status)) status = decodeCuts(destination, cuts, &written);
  }
  if (FAILED(status)) return status;

  logSummary(sink_,
             "KxvPersistantPixelCache::decodeAllTiles: totalTiles: %d, numCuts: %d/%d, cacheReads: %d cacheWrites: %d",
             static_cast<int>(range.rows() * range.columns()), static_cast<int>(cuts.size()),
             static_cast<int>(formedCuts), static_cast<int>(reads), static_cast<int>(written));
  return S_OK;
}

void KxvCachedDecode::surveyTiles(const DecodeBuffer& destination, const KxvTileRange& range, KxvTileGrid* grid,
                                  std::vector<CachedTile>* cached, double* missingArea) const {
  grid->assign(static_cast<size_t>(range.rows()), std::vector<KxvTileEntry>(static_cast<size_t>(range.columns())));
  for (int64_t row = range.firstRow; row <= range.lastRow; ++row) {
    for (int64_t column = range.firstColumn; column <= range.lastColumn; ++column) {
      const Scene rect = geometry_.tileRect(row, column, destination.scene.mag);
      const DecodeBuffer record = tileRecord(rect, destination.format);
      PathString path = makeTileFileName(settings_.directory, record, static_cast<int>(row), static_cast<int>(column));
      // A missing tile keeps its rectangle and path in the grid.
      if (KxvTileFiles::lookForTile(path, record, sink_) != KxvTileFiles::Found::kTile) {
        KxvTileEntry& entry =
            (*grid)[static_cast<size_t>(row - range.firstRow)][static_cast<size_t>(column - range.firstColumn)];
        entry = KxvTileEntry{rect, std::move(path), true};
        *missingArea += sceneArea(rect);
        continue;
      }
      logDetail(sink_, "KxvPersistantPixelCache: cache hit");
      cached->push_back(CachedTile{record, std::move(path)});
    }
  }
}

HRESULT KxvCachedDecode::decodeWholeScene(DecodeBuffer& destination, uint32_t* written) {
  const HRESULT status = upstream_(&destination);
  logResult(sink_, status, "KxvContentBase::Decode( destBuf, KXV_BEST_QUALITY, NULL )", kCacheTraceSource,
            kTraceWholeSceneDecodeLine);
  if (FAILED(status)) return status;
  *written = splitAndCache(destination);
  return S_OK;
}

HRESULT KxvCachedDecode::readCachedTiles(DecodeBuffer& destination, std::vector<CachedTile>& cached, KxvCutList& cuts,
                                         uint32_t* reads) {
  if (cached.empty()) return S_OK;
  // Tiles go into a caller's rows laid out as tile files by row copies; any
  // other layout takes each tile through one buffer of the full tile size.
  const bool direct = isTileFileLayout(destination.format);
  DecodeBuffer scratch =
      tileRecord(Scene{0.0, 0.0, double(geometry_.tileWidth), double(geometry_.tileHeight), destination.scene.mag},
                 destination.format);
  WorkingBits scratchBits(scratch);
  if (!direct && !scratchBits.allocate(sink_)) return E_OUTOFMEMORY;
  std::vector<uint8_t> chunk;

  for (CachedTile& tile : cached) {
    DecodeBuffer held = tile.record;
    held.pBits = scratch.pBits;
    const bool copied = direct ? SUCCEEDED(files_.readTileFile(tile.path, tile.record, destination, chunk, sink_))
                               : SUCCEEDED(files_.readTileFile(tile.path, tile.record, held, chunk, sink_)) &&
                                     SUCCEEDED(tileToDest(destination, held));
    // A tile that cannot be served from disk is decoded with the cuts, which
    // also rewrites whatever part of it a failed read left in the caller's rows.
    if (copied) {
      ++*reads;
      continue;
    }
    logSummary(sink_, "cached tile %s will be recovered", tile.path.utf8());
    cuts.push_back(tile.record.scene);
  }
  return S_OK;
}

HRESULT KxvCachedDecode::decodeCuts(DecodeBuffer& destination, const KxvCutList& cuts, uint32_t* written) {
  for (const Scene& cut : cuts) {
    if (columnsOf(cut) == 0 || rowsOf(cut) == 0) continue;
    // A cut inside a pixel-interleaved caller's scene is decoded in place.
    if (destination.format.order == KX_ORDER_INTERLEAVED && sceneContains(destination.scene, cut)) {
      DecodeBuffer window = windowOn(destination, cut, columnsOf(cut), rowsOf(cut));
      const HRESULT status = decodeCut(window);
      if (FAILED(status)) return status;
      *written += splitAndCache(window);
      continue;
    }
    DecodeBuffer cutBuffer = tileRecord(cut, destination.format);
    WorkingBits bits(cutBuffer);
    if (!bits.allocate(sink_)) return E_OUTOFMEMORY;

    // Decode the cut, copy it into place, and keep its whole tiles.
    HRESULT status = decodeCut(cutBuffer);
    if (FAILED(status)) return status;
    status = tileToDest(destination, cutBuffer);
    logResult(sink_, status, "tileToDest( *destBuf, tileBuf.getBuf() )", kCacheTraceSource, kTraceCutCopyLine);
    if (FAILED(status)) return status;
    *written += splitAndCache(cutBuffer);
  }
  return S_OK;
}

HRESULT KxvCachedDecode::decodeCut(DecodeBuffer& cutBuffer) {
  const HRESULT status = upstream_(&cutBuffer);
  logResult(sink_, status, "KxvContentBase::Decode( tileBuf.getBufPtr(), KXV_BEST_QUALITY, NULL )", kCacheTraceSource,
            kTraceCutDecodeLine);
  return status;
}

uint32_t KxvCachedDecode::splitAndCache(const DecodeBuffer& buffer) {
  const KxvTileRange range = computeTileRange(geometry_.tileWidth, geometry_.tileHeight, buffer.scene, true,
                                              geometry_.imageWidth, geometry_.imageHeight);
  // Tiles end where the buffer or the image ends, whichever comes first.
  const double right = std::min<double>(buffer.scene.ulx + buffer.scene.width, geometry_.imageWidth);
  const double bottom = std::min<double>(buffer.scene.uly + buffer.scene.height, geometry_.imageHeight);
  uint32_t written = 0;
  for (int64_t row = range.firstRow; row <= range.lastRow && !range.empty(); ++row) {
    for (int64_t column = range.firstColumn; column <= range.lastColumn; ++column) {
      Scene rect = geometry_.tileRect(row, column, buffer.scene.mag);
      rect.width = std::min(rect.width, right - rect.ulx);
      rect.height = std::min(rect.height, bottom - rect.uly);
      const uint32_t columns = std::min(columnsOf(rect), heldColumns(buffer, rect));
      DecodeBuffer tile = windowOn(buffer, rect, columns, std::min(rowsOf(rect), heldRows(buffer, rect)));
      if (!checkTileUtility(buffer.scene, tile)) continue;

      // The tile is written straight from the buffer's memory.
      const PathString path =
          makeTileFileName(settings_.directory, tile, static_cast<int>(row), static_cast<int>(column));
      bool fileWritten = false;
      if (FAILED(files_.writeTileFile(path, tile, &fileWritten, sink_))) {
        logFailure(sink_, "KxvPersistantPixelCache::splitAndCache: error writing file %s", path.utf8());
      } else if (fileWritten) {
        ++written;
      }
    }
  }
  return written;
}

bool KxvCachedDecode::checkTileUtility(const Scene& rect, DecodeBuffer& tile) const {
  Scene overlap;
  if (!intersectScenes(rect, tile.scene, &overlap)) overlap = Scene{};
  const double overlapArea = sceneArea(overlap);
  const double tileArea = sceneArea(tile.scene);
  const double utility = tileArea > 0.0 ? overlapArea / tileArea : 0.0;
  if (settings_.utilityThreshold > 0.0 && utility < settings_.utilityThreshold) {
    tile.scene = Scene{std::floor(overlap.ulx), std::floor(overlap.uly), std::ceil(overlap.width),
                       std::ceil(overlap.height), tile.scene.mag};
    logDetail(sink_, "KxvPersistantPixelCache: cache miss, NOT decoding tile with utility %f (%f/%f)", utility,
              overlapArea, tileArea);
    return false;
  }
  logDetail(sink_, "KxvPersistantPixelCache: cache miss, decoding tile with utility %f (%f/%f)", utility, overlapArea,
            tileArea);
  return true;
}

HRESULT KxvCachedDecode::tileToDest(DecodeBuffer& destination, const DecodeBuffer& tile) {
  Scene overlap;
  if (!intersectScenes(destination.scene, tile.scene, &overlap)) return E_FAIL;
  // Both windows show the same pixels, never more than either buffer holds.
  const uint32_t columns =
      std::min({columnsOf(overlap), heldColumns(destination, overlap), heldColumns(tile, overlap)});
  const uint32_t rows = std::min({rowsOf(overlap), heldRows(destination, overlap), heldRows(tile, overlap)});
  DecodeBuffer destinationWindow = windowOn(destination, overlap, columns, rows);
  const DecodeBuffer tileWindow = windowOn(tile, overlap, columns, rows);
  return copyBufferSamples(destinationWindow, tileWindow) == KXV_SAMPLES_DONE ? S_OK : E_FAIL;
}

}  // namespace Kelvane
