// KxvTileFiles::writeTileFile: a tile is written under a temporary name of
// its own beside its final name, then published under the final name only if
// no file has it. A reader in any thread or process therefore sees no file or
// a complete one, and a complete file is never replaced.
#include <cstdio>
#include <string>
#include <vector>

#include "content/kxv_decodeBufConfig.h"
#include "kelvane/kx_status.h"
#include "platform/kxFileSystemCalls.h"
#include "stages/kxv_bufferSamples.h"
#include "stages/persistantPixelCache/kxv_cacheTrace.h"
#include "stages/persistantPixelCache/kxv_temporaryFile.h"
#include "stages/persistantPixelCache/kxv_tileFiles.h"
#include "support/kxFileSystem.h"
#include "support/kxIOFileStream.h"
#include "support/kxLog.h"

namespace Kelvane {

namespace {

// A name left behind by a process that died with the same number is
// skipped, a few times over.
constexpr int kTemporaryNameAttempts = 16;

// The record's samples as a tile file holds them: the record itself when it
// is laid out so, else a converted copy with memory of its own.
class TileFileImage {
 public:
  TileFileImage() = default;
  ~TileFileImage() {
    if (ownsCopy_) KxvDecodeBufConfig::ReleaseBits(copy_);
  }
  TileFileImage(const TileFileImage&) = delete;
  TileFileImage& operator=(const TileFileImage&) = delete;

  HRESULT prepare(const DecodeBuffer& record, IKxLogSink* sink) {
    if (isTileFileLayout(record.format)) {
      image_ = &record;
      return S_OK;
    }
    KxvDecodeBufConfig::InitFromFormat(copy_, record.scene, record.format);
    setTileFileLayout(copy_);
    if (KxvDecodeBufConfig::alloc(copy_, sink) == 0) {
      logError(sink, "KxvPersistantPixelCache::writeTileFile - out of memory");
      return E_OUTOFMEMORY;
    }
    ownsCopy_ = true;
    // Samples that cannot be converted are not written at all.
    if (copyBufferSamples(copy_, record) != KXV_SAMPLES_DONE) return E_FAIL;
    image_ = &copy_;
    return S_OK;
  }

  const DecodeBuffer& tile() const { return *image_; }

 private:
  const DecodeBuffer* image_ = nullptr;
  DecodeBuffer copy_;
  bool ownsCopy_ = false;
};

// Makes the tile's directory and its missing ancestors. A directory another
// writer made in the meantime is as good as one made here.
HRESULT makeTileDirectory(const PathString& path, IKxLogSink* sink) {
  const PathString directory = path.parent();
  if (isDirectory(directory)) return S_OK;
  const uint32_t code = createDirectory(directory, true);
  if (code == KX_STATUS_SUCCESS || isDirectory(directory)) return S_OK;
  logSystemError(sink, "failed creating directory %s", directory.utf8());
  return KxStatusToResult(code);
}

// Creates and opens a temporary file of this write's own beside the tile.
HRESULT openTemporaryFile(const PathString& path, KxIOFileStream& ofile, KxvTemporaryFile& temporary,
                          IKxLogSink* sink) {
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    const PathString name = temporaryNameFor(path);
    const uint32_t status = ofile.initialize(name, "wbx");
    logStatus(sink, status, "ofile.initialize( tileFile, \"wb\" )", kCacheTraceSource, kTraceWriteInitializeLine);
    if (status != KX_STATUS_SUCCESS) return KxStatusToResult(status);
    const uint32_t opened = ofile.open();
    if (opened == KX_STATUS_SUCCESS) {
      temporary.adopt(name);
      return S_OK;
    }
    // Only a name already taken is worth another try. The tile's own path
    // is reported, as a host knows it; the temporary name follows.
    if (KxLastSystemError() != KX_ERROR_ALREADY_EXISTS || attempt + 1 == kTemporaryNameAttempts) {
      logSystemError(sink, "failed opening %s for write", path.utf8());
      logDetail(sink, "the tile was to be written as %s", name.utf8());
      return KxStatusToResult(opened);
    }
  }
  return E_FAIL;
}

// Where a tile's samples go: the tile's own path, which log lines name, and
// the temporary file they are written to.
struct TileDestination {
  const PathString& tile;
  const PathString& temporary;
};

// Writes the tile's rows without their padding, in one call whether or not
// they are padded: as one run when they are not, else a run a row straight
// from where the buffer keeps them (no copy is gathered first). The file's
// room is set aside first: the file system then allocates it at once
// instead of block by block as the bytes arrive. False after logging a
// short write.
bool writeTileSamples(KxIOFileStream& ofile, const DecodeBuffer& tile, const TileDestination& file, IKxLogSink* sink) {
  const std::optional<uint32_t> total = tileFileBytes(tile);
  if (!total) {
    logFailure(sink, "KxvPersistantPixelCache: tile %s holds more bytes than a tile file can", file.tile.utf8());
    return false;
  }
  const std::vector<KxWriteRun> runs = tileRowRuns<KxWriteRun>(tile, *total);
  logDetail(sink, runs.size() == 1 ? "writing out tile in a single piece" : "writing out tile in a line by line");
  ofile.reserve(*total);
  const uint32_t wrote = ofile.writeRuns(runs.data(), runs.size());
  if (wrote == *total) return true;
  logFailure(sink, "tried to write %d bytes, only wrote %d, to file %s", static_cast<int>(*total),
             static_cast<int>(wrote), file.tile.utf8());
  logDetail(sink, "the tile was being written as %s", file.temporary.utf8());
  return false;
}

}  // namespace

HRESULT KxvTileFiles::writeTileFile(const PathString& path, const DecodeBuffer& record, bool* written,
                                    IKxLogSink* sink) {
  if (written == nullptr) return E_INVALIDARG;
  *written = false;
  MutexLockGuard hold(lockFor(path));
  // An existing tile file, or anything else at its name, is never replaced.
  FileStat stat;
  if (getEntryStat(path, &stat) == 0) return S_OK;
  HRESULT status = makeTileDirectory(path, sink);
  if (FAILED(status)) return status;
  TileFileImage image;
  status = image.prepare(record, sink);
  if (FAILED(status)) return status;

  // The samples go to a temporary file, removed on every way out unless published.
  KxvTemporaryFile temporary;
  KxIOFileStream ofile;
  status = openTemporaryFile(path, ofile, temporary, sink);
  if (FAILED(status)) return status;
  if (!writeTileSamples(ofile, image.tile(), TileDestination{path, temporary.path()}, sink)) return E_FAIL;
  const uint32_t closed = ofile.close();
  logStatus(sink, closed, "ofile.close()", kCacheTraceSource, kTraceWriteCloseLine);
  if (closed != KX_STATUS_SUCCESS) return KxStatusToResult(closed);

  // The complete file takes the tile's name unless another writer got there first.
  const int published = temporary.publishAs(path);
  if (published == KX_ERROR_ALREADY_EXISTS) return S_OK;
  if (published != 0) {
    KxSetLastSystemError(published);
    logSystemError(sink, "failed naming tile file %s", path.utf8());
    return E_FAIL;
  }
  *written = true;
  return S_OK;
}

}  // namespace Kelvane
