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
// no file or a whole one.
#ifndef KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_TILE_FILES_H
#define KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_TILE_FILES_H

#include <cstdint>
#include <optional>

#include "kelvane/kx_interfaces.h"
#include "kelvane/kx_records.h"
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
// `rowbytes`; empty when that does not fit one 32-bit transfer.
std::optional<uint32_t> tileFileBytes(const DecodeBuffer& record);

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

  // Fills the record's pixel memory from the file; the record's rows must be
  // unpadded. Fails without following a link, for anything but a regular
  // file, and for a file of any other length than the tile's.
  HRESULT readTileFile(const PathString& path, DecodeBuffer& record, IKxLogSink* sink);

  // Writes the record's samples as a new tile file, making missing
  // directories. `*written` is set only when this call completed a new file;
  // a file already present (before or after the write) leaves it false and
  // gives 0. Nothing partial is left behind on failure.
  HRESULT writeTileFile(const PathString& path, const DecodeBuffer& record, bool* written, IKxLogSink* sink);

 private:
  // Serialises this object's tile reads and writes, held from before the
  // existence test or the open until after the close.
  MutexLock lock_;
};

}  // namespace Kelvane

#endif  // KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_TILE_FILES_H
