// The tile files of one persistent pixel cache object. A tile file holds the
// tile's samples and nothing else: pixel-interleaved, rows top to bottom,
// each row `width x spp` samples with no padding, each sample in the
// machine's byte order and the width of its type, bands in their natural
// order. Whatever layout a caller's buffer has, its tiles are stored that
// way, so every caller reads every tile alike.
//
// A complete tile file is never replaced or changed: a tile is written under
// a temporary name of its own in the same directory and then given its final
// name only if no file has it, so readers in any thread or process see either
// no file or a whole one. A write sends the rows in one system call straight
// from where a buffer keeps them, padded or not; a read takes the rows a
// caller's scene needs in one positional read (a few for a large tile)
// through a small buffer kept in cache, and copies each into the caller's
// row where it lies.
#ifndef KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_TILE_FILES_H
#define KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_TILE_FILES_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "content/kxv_decodeBufConfig.h"
#include "kelvane/kx_interfaces.h"
#include "kelvane/kx_records.h"
#include "platform/kxFileCalls.h"
#include "platform/kxMutex.h"
#include "support/kxPathString.h"

namespace Kelvane {

// Whether a record's samples lie exactly as in a tile file (rows may still
// be padded): pixel-interleaved, a stride of `spp`, bands in natural order.
bool isTileFileLayout(const BufferFormat& format);

// Re-lays a record without pixel memory as a tile file: the layout above,
// with unpadded rows.
void setTileFileLayout(DecodeBuffer& record);

// Bytes of a tile file for a record: rows (height rounded half up) times
// columns (width rounded half up) times `stride` samples; empty when that
// does not fit one 32-bit transfer.
std::optional<uint32_t> tileFileBytes(const DecodeBuffer& record);

// The rows of a record that holds a tile of `fileBytes` bytes, as runs of
// memory to write from (KxWriteRun): one run when they are unpadded, else
// one a row.
template <typename Run>
std::vector<Run> tileRowRuns(const DecodeBuffer& record, uint32_t fileBytes) {
  const uint32_t rows = KxvDecodeBufConfig::ExtentCount(record.scene.height).value_or(0);
  const size_t row = rows == 0 ? 0 : fileBytes / rows;
  uint8_t* start = static_cast<uint8_t*>(record.pBits);
  if (row == record.format.rowbytes || rows <= 1) return {Run{start, fileBytes}};
  std::vector<Run> runs(rows);
  for (uint32_t y = 0; y < rows; ++y) runs[y] = Run{start + size_t{y} * record.format.rowbytes, row};
  return runs;
}

class KxvTileFiles {
 public:
  KxvTileFiles() = default;
  KxvTileFiles(const KxvTileFiles&) = delete;
  KxvTileFiles& operator=(const KxvTileFiles&) = delete;

  // What lies at a tile's name. Only a regular file, named without a link,
  // of exactly the bytes the record's layout gives (tileFileBytes) is the
  // tile: anything else there is foreign, never served, never replaced.
  enum class Found { kNothing, kTile, kForeign };
  // Looks without following links; a foreign file is reported to `sink`.
  static Found lookForTile(const PathString& path, const DecodeBuffer& record, IKxLogSink* sink);

  // Copies the part of the tile `tile` describes (its scene and sample
  // layout; its pixel memory is not used) that overlaps `destination` into
  // destination's rows, each where its `rowbytes` put it. The destination
  // must have the tile file layout (rows may be padded) and the tile's
  // samples; its scene may start and end anywhere in the tile. `scratch` is
  // the caller's, kept from read to read so that its memory stays warm; it
  // grows to at most about a mebibyte. Fails without following a link, for
  // anything but a regular file, and, before a byte reaches the destination,
  // for a file of any other length than the tile's; a file cut short while it
  // is read fails too, and the rows may then hold part of it.
  HRESULT readTileFile(const PathString& path, const DecodeBuffer& tile, DecodeBuffer& destination,
                       std::vector<uint8_t>& scratch, IKxLogSink* sink);

  // Writes the record's samples as a new tile file, making missing
  // directories. `*written` is set only when this call completed a new file;
  // a file already present (before or after the write) leaves it false and
  // gives 0. Nothing partial is left behind on failure.
  HRESULT writeTileFile(const PathString& path, const DecodeBuffer& record, bool* written, IKxLogSink* sink);

 private:
  // Reads and writes of one tile by this object's threads are serialised by
  // one of these locks, chosen by the tile's name, held from before the
  // existence test or the open until after the close; other tiles proceed
  // meanwhile. 64 make two threads' tiles share a lock rarely.
  static constexpr size_t kLockCount = 64;
  MutexLock& lockFor(const PathString& path);

  std::array<MutexLock, kLockCount> locks_;
};

}  // namespace Kelvane

#endif  // KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_TILE_FILES_H
