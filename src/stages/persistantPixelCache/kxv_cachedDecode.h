// KxvCachedDecode: how the persistent pixel cache serves one scene from its
// tile files. Tiles found on disk are copied row by row into the caller's
// rows when its buffer is laid out as tile files, else read whole and copied
// into it;
// missing tiles are grouped into a few rectangles (cuts) that the
// upstream source decodes, or the whole scene is decoded at once when there
// would be more cuts than configured; freshly decoded whole tiles are written
// back from the decoded buffers. Working buffers of the cache are laid out as
// tile files (see kxv_tileFiles.h) and live only for the
// call that made them.
#ifndef KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_CACHED_DECODE_H
#define KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_CACHED_DECODE_H

#include <cstdint>
#include <functional>
#include <vector>

#include "kelvane/kx_interfaces.h"
#include "stages/persistantPixelCache/kxv_cacheGeometry.h"
#include "stages/persistantPixelCache/kxv_cacheSettings.h"
#include "stages/persistantPixelCache/kxv_tileCuts.h"
#include "stages/persistantPixelCache/kxv_tileFiles.h"

namespace Kelvane {

class KxvCachedDecode {
 public:
  // Decodes a buffer through the stage's upstream source at best quality.
  using UpstreamDecode = std::function<HRESULT(DecodeBuffer*)>;

  KxvCachedDecode(const KxvCacheSettings& settings, KxvTileFiles& files, IKxLogSink* sink,
                  const KxvTileGeometry& geometry, UpstreamDecode upstream);

  // Fills the caller's buffer, whose scene has whole-pixel corners and
  // extents, from the tiles of `range`. Failed reads and writes of tile
  // files are logged and never fail the decode.
  HRESULT decodeAllTiles(DecodeBuffer& destination, const KxvTileRange& range);

  // Writes every whole tile inside `buffer` that is worth caching; gives the
  // number of tile files written.
  uint32_t splitAndCache(const DecodeBuffer& buffer);

  // Whether enough of the tile lies in `rect` to be worth caching; when not,
  // narrows the tile's rectangle to that part.
  bool checkTileUtility(const Scene& rect, DecodeBuffer& tile) const;

  // Copies the part of `tile` that overlaps `destination` into it; E_FAIL
  // when they do not meet or the samples cannot be copied.
  static HRESULT tileToDest(DecodeBuffer& destination, const DecodeBuffer& tile);

 private:
  // A tile found on disk, to be read.
  struct CachedTile {
    DecodeBuffer record;
    PathString path;
  };

  DecodeBuffer tileRecord(const Scene& rect, const BufferFormat& format) const;
  // Sorts the tiles of the range into those on disk and those missing.
  void surveyTiles(const DecodeBuffer& destination, const KxvTileRange& range, KxvTileGrid* grid,
                   std::vector<CachedTile>* cached, double* missingArea) const;
  HRESULT decodeWholeScene(DecodeBuffer& destination, uint32_t* written);
  // Reads the tiles found on disk; a tile that cannot be read becomes a cut,
  // whose decode rewrites any part of the caller's rows the failed read left.
  HRESULT readCachedTiles(DecodeBuffer& destination, std::vector<CachedTile>& cached, KxvCutList& cuts,
                          uint32_t* reads);
  // Decodes each cut, in place when it lies inside the caller's scene, else
  // into a buffer of its own that is then copied into place.
  HRESULT decodeCuts(DecodeBuffer& destination, const KxvCutList& cuts, uint32_t* written);
  HRESULT decodeCut(DecodeBuffer& cutBuffer);

  const KxvCacheSettings& settings_;
  KxvTileFiles& files_;
  IKxLogSink* sink_;
  KxvTileGeometry geometry_;
  UpstreamDecode upstream_;
};

}  // namespace Kelvane

#endif  // KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_CACHED_DECODE_H
