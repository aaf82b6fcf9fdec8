#include "stages/persistantPixelCache/kxv_tileFiles.h"

#include "content/kxv_decodeBufConfig.h"
#include "kelvane/kx_status.h"
#include "support/kxFileSystem.h"
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
  const std::optional<KxvDecodeBufConfig::PixelExtent> shape = KxvDecodeBufConfig::PixelExtentOf(record);
  if (!shape) return std::nullopt;
  const uint64_t row =
      uint64_t{KxvDecodeBufConfig::BytesPerSample(record.format.type)} * record.format.stride * shape->columns;
  if (row > UINT32_MAX || (shape->rows > 0 && row * shape->rows > UINT32_MAX)) return std::nullopt;
  return static_cast<uint32_t>(row * shape->rows);
}

MutexLock& KxvTileFiles::lockFor(const PathString& path) {
  // FNV-1a of the name.
  uint32_t hash = 2166136261u;
  for (const char* c = path.utf8(); *c != '\0'; ++c) hash = (hash ^ static_cast<uint8_t>(*c)) * 16777619u;
  return locks_[hash % kLockCount];
}

KxvTileFiles::Found KxvTileFiles::lookForTile(const PathString& path, const DecodeBuffer& record, IKxLogSink* sink) {
  FileStat stat;
  if (getEntryStat(path, &stat) != 0) return Found::kNothing;
  const std::optional<uint32_t> wanted = tileFileBytes(record);
  if (stat.isRegularFile && wanted && stat.size() == *wanted) return Found::kTile;
  // Another tile size, band count or image, a link or a special file.
  if (!stat.isRegularFile) {
    logAtLevel(sink, KX_LOG_WARNING, "KxvPersistantPixelCache: %s is not a regular file; its tile is decoded instead",
               path.utf8());
  } else {
    logAtLevel(sink, KX_LOG_WARNING,
               "KxvPersistantPixelCache: tile file %s holds %llu bytes, not %u; its tile is decoded instead",
               path.utf8(), static_cast<unsigned long long>(stat.size()), static_cast<unsigned>(wanted.value_or(0)));
  }
  return Found::kForeign;
}

}  // namespace Kelvane
