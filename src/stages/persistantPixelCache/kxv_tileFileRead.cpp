// Reading a tile file into the rows of a caller's scene: the file's length
// is checked against the tile's first, then the file's bytes from the first
// wanted row part to the last are read by position, a chunk at a time, into a
// scratch buffer that stays in the processor's cache, and each row part is
// copied from there to the caller's row where it lies, past the caches when
// the caller's scene is far larger than they are.
//
// Why not straight into the caller's rows: measured on a warm cache, the
// kernel's copy into the caller's scattered rows (one iovec a row) ran at
// 0.93 to 0.98 of a plain read of the same bytes into one buffer, while a read
// into a buffer held in cache followed by a vector copy of the rows ran at
// 1.05 to 1.2 of it, for tiles of 64 to 512 pixels a side (and at 1.8 with
// streaming stores into a scene of 48 MiB). A mapped file
// copied once was about as fast for large tiles but slower for small ones,
// and would stop the process if another program shortened the file while it
// was copied.
#include <algorithm>
#include <new>
#include <optional>
#include <vector>

#include "content/kxv_decodeBufConfig.h"
#include "kelvane/kx_status.h"
#include "platform/kxFileSystemCalls.h"
#include "raster/rowCopy.h"
#include "stages/persistantPixelCache/kxv_cacheGeometry.h"
#include "stages/persistantPixelCache/kxv_cacheTrace.h"
#include "stages/persistantPixelCache/kxv_tileFiles.h"
#include "support/kxLog.h"

namespace Kelvane {

namespace {

// Most bytes one read takes (more when one row part is longer): a chunk
// stays in a core's second-level cache until its rows are copied out, and a
// read costs about a microsecond, little beside copying a mebibyte.
constexpr uint64_t kChunkBytes = 1024 * 1024;

// The rows of a tile the caller wants: `rows` parts of `bytes` bytes, the
// first at `offset` in the file, `fileStride` apart there, bound for `into`
// and the caller's rows `intoStride` apart.
struct WantedRows {
  uint64_t offset = 0;
  uint64_t fileStride = 0;
  uint8_t* into = nullptr;
  size_t intoStride = 0;
  size_t bytes = 0;
  uint32_t rows = 0;
};

// The rows of `tile` (a file of `tile`'s layout with unpadded rows) that
// overlap `destination`; false when they do not meet.
bool planWantedRows(const DecodeBuffer& tile, DecodeBuffer& destination, WantedRows* wanted) {
  const std::optional<KxvDecodeBufConfig::PixelExtent> shape = KxvDecodeBufConfig::PixelExtentOf(tile);
  Scene overlap;
  if (!shape || !intersectScenes(destination.scene, tile.scene, &overlap)) return false;
  // Both sides show the same pixels, never more than either holds.
  const uint32_t columns =
      std::min({columnsOf(overlap), heldColumns(destination, overlap), heldColumns(tile, overlap)});
  const uint32_t rows = std::min({rowsOf(overlap), heldRows(destination, overlap), heldRows(tile, overlap)});
  const uint64_t pixelBytes = uint64_t{tile.format.stride} * KxvDecodeBufConfig::BytesPerSample(tile.format.type);
  DecodeBuffer file = tile;
  file.format.rowbytes = static_cast<uint32_t>(pixelBytes * shape->columns);
  const DecodeBuffer into = windowOn(destination, overlap, columns, rows);
  *wanted = WantedRows{windowOffset(file, overlap),
                       file.format.rowbytes,
                       static_cast<uint8_t*>(into.pBits),
                       into.format.rowbytes,
                       static_cast<size_t>(pixelBytes * columns),
                       columns == 0 ? 0 : rows};
  return true;
}

// An open tile file's descriptor, closed when this goes out of scope unless
// closed before.
class OpenTileFile {
 public:
  explicit OpenTileFile(int descriptor) : descriptor_(descriptor) {}
  ~OpenTileFile() { close(); }
  OpenTileFile(const OpenTileFile&) = delete;
  OpenTileFile& operator=(const OpenTileFile&) = delete;

  int descriptor() const { return descriptor_; }
  // The descriptor is gone whatever the platform reports.
  uint32_t close() {
    if (descriptor_ < 0) return KX_STATUS_SUCCESS;
    const int result = KxCloseDescriptor(descriptor_);
    descriptor_ = -1;
    return result == 0 ? KX_STATUS_SUCCESS : KX_STATUS_FAILURE;
  }

 private:
  int descriptor_;
};

// Makes `scratch` hold at least `bytes` bytes; false, logged, when memory runs out.
bool growScratch(std::vector<uint8_t>& scratch, size_t bytes, IKxLogSink* sink) {
  try {
    scratch.resize(bytes);
    return true;
  } catch (const std::bad_alloc&) {
    logFailure(sink, "KxvPersistantPixelCache: no memory for %llu bytes of a tile read",
               static_cast<unsigned long long>(bytes));
    return false;
  }
}

}  // namespace

HRESULT KxvTileFiles::readTileFile(const PathString& path, const DecodeBuffer& tile, DecodeBuffer& destination,
                                   std::vector<uint8_t>& scratch, IKxLogSink* sink) {
  // Row parts are copied bytewise only when the destination's pixels are the file's.
  const std::optional<uint32_t> wanted = tileFileBytes(tile);
  WantedRows rows;
  if (!wanted || !isTileFileLayout(destination.format) || destination.format.type != tile.format.type ||
      destination.format.spp != tile.format.spp || !planWantedRows(tile, destination, &rows)) {
    logFailure(sink, "tile file %s does not fit the buffer it is read into", path.utf8());
    return E_FAIL;
  }

  // The lock is held from the open to the close.
  MutexLockGuard hold(lockFor(path));
  const char* native = path.ansi();
  logStatus(sink, KX_STATUS_SUCCESS, "ifile.initialize( tileFile, \"rb\" )", kCacheTraceSource,
            kTraceReadInitializeLine);
  // A path that is not well-formed UTF-8 names no file.
  if (native == nullptr) KxSetLastSystemError(KX_ERROR_INVALID_NAME);
  uint64_t fileBytes = 0;
  OpenTileFile file(native == nullptr ? -1 : KxOpenRegularFileDescriptor(native, &fileBytes));
  if (file.descriptor() < 0) {
    logSystemError(sink, "failed opening %s for read", path.utf8());
    return E_FAIL;
  }

  // A file shorter or longer than the tile is no tile: refused before any byte of it is read.
  if (fileBytes < *wanted) {
    logFailure(sink, "tried to read %d bytes, only read %d, from file %s", static_cast<int>(*wanted),
               static_cast<int>(fileBytes), path.utf8());
    return E_FAIL;
  }
  if (fileBytes > *wanted) {
    logFailure(sink, "tile file %s is longer than its %d bytes", path.utf8(), static_cast<int>(*wanted));
    return E_FAIL;
  }

  // Each chunk of rows is read whole, then its row parts are copied into
  // place; a read that ends early found the file cut short.
  const bool stream = uint64_t{destination.format.rowbytes} * rowsOf(destination.scene) >= kStreamingBytes;
  const uint64_t chunkRows = rows.bytes >= kChunkBytes || rows.fileStride == 0
                                 ? 1
                                 : std::max<uint64_t>(1, (kChunkBytes - rows.bytes) / rows.fileStride + 1);
  for (uint32_t row = 0; row < rows.rows;) {
    const uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(chunkRows, rows.rows - row));
    const uint64_t bytes = (count - 1) * rows.fileStride + rows.bytes;
    if (scratch.size() < bytes && !growScratch(scratch, static_cast<size_t>(bytes), sink)) return E_OUTOFMEMORY;
    const KxReadRun run{scratch.data(), static_cast<size_t>(bytes)};
    const uint64_t got = KxReadRunsAt(file.descriptor(), rows.offset + row * rows.fileStride, &run, 1);
    if (got != bytes) {
      logFailure(sink, "tried to read %d bytes, only read %d, from file %s", static_cast<int>(bytes),
                 static_cast<int>(got), path.utf8());
      return E_FAIL;
    }
    copyRows(RowCopy{rows.into + size_t{row} * rows.intoStride, rows.intoStride, scratch.data(),
                     static_cast<size_t>(rows.fileStride), rows.bytes, count},
             stream);
    row += count;
  }
  const uint32_t status = file.close();
  logStatus(sink, status, "ifile.close()", kCacheTraceSource, kTraceReadCloseLine);
  return KxStatusToResult(status);
}

}  // namespace Kelvane
