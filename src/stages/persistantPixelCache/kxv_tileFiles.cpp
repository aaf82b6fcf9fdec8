#include "stages/persistantPixelCache/kxv_tileFiles.h"

#include "content/kxv_decodeBufConfig.h"
#include "kelvane/kx_status.h"
#include "stages/persistantPixelCache/kxv_cacheTrace.h"
#include "support/kxFileSystem.h"
#include "support/kxIOFileStream.h"
#include "support/kxLog.h"

namespace Kelvane {

bool isTileFileLayout(const BufferFormat& format) {
  if (format.order != KX_ORDER_INTERLEAVED || format.stride != format.spp ||
      format.spp > KxvDecodeBufConfig::kMaxSamples)
    return false;
  const int32_t sampleBytes = static_cast<int32_t>(KxvDecodeBufConfig::BytesPerSample(format.type));
  for (uint32_t band = 0; band < format.spp; ++band) {
    if (format.smap[band] != static_cast<int32_t>(band) * sampleBytes) return false;
  }
  return true;
}

void setTileFileLayout(DecodeBuffer& record) {
  KxvDecodeBufConfig::SetOrder(record, KX_ORDER_INTERLEAVED);
  KxvDecodeBufConfig::SetAlign(record, 1);
  record.format.stride = record.format.spp;
  record.format.rowbytes = KxvDecodeBufConfig::ComputeRowBytes(record, record.format);
  KxvDecodeBufConfig::SetSampleMap(record, nullptr);
}

std::optional<uint32_t> tileFileBytes(const DecodeBuffer& record) {
  const std::optional<uint32_t> rows = KxvDecodeBufConfig::ExtentCount(record.scene.height);
  if (!rows) return std::nullopt;
  const uint64_t bytes = uint64_t{*rows} * record.format.rowbytes;
  if (bytes > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(bytes);
}

bool KxvTileFiles::isTileCached(const PathString& path, const DecodeBuffer& record) {
  FileStat stat;
  if (getFileStat(path, &stat) != 0) return false;
  return static_cast<double>(stat.sizeLow) >= static_cast<double>(record.format.rowbytes) * record.scene.height;
}

HRESULT KxvTileFiles::readTileFile(const PathString& path, DecodeBuffer& record, IKxLogSink* sink) {
  // The stream is gone before the lock is released.
  MutexLockGuard hold(lock_);
  KxIOFileStream ifile;
  uint32_t status = ifile.initialize(path, "rb");
  logStatus(sink, status, "ifile.initialize( tileFile, \"rb\" )", kCacheTraceSource, kTraceReadInitializeLine);
  if (status != KX_STATUS_SUCCESS) return KxStatusToResult(status);
  status = ifile.open();
  if (status != KX_STATUS_SUCCESS) {
    logSystemError(sink, "failed opening %s for read", path.utf8());
    return KxStatusToResult(status);
  }

  // The whole tile in one read; a file too short for it is no tile.
  const std::optional<uint32_t> wanted = tileFileBytes(record);
  const uint32_t got = wanted ? ifile.read(record.pBits, *wanted) : 0;
  if (!wanted || got < *wanted) {
    logFailure(sink, "tried to read %d bytes, only read %d, from file %s", static_cast<int>(wanted.value_or(0)),
               static_cast<int>(got), path.utf8());
    return E_FAIL;
  }
  status = ifile.close();
  logStatus(sink, status, "ifile.close()", kCacheTraceSource, kTraceReadCloseLine);
  return KxStatusToResult(status);
}

}  // namespace Kelvane
