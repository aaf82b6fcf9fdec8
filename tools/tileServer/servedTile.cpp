#include "tileServer/servedTile.h"

#include <exception>

#include "hostChain/gdalSource.h"
#include "hostChain/moduleLibrary.h"
#include "hostChain/optionValues.h"
#include "hostChain/renderFormat.h"
#include "tileServer/pngEncoder.h"

namespace kxhost {

bool RenderServedTile(const ServedChain& served, uint32_t z, uint32_t x, uint32_t y, ServedTile* tile,
                      std::string* error) {
  if (!served.scheme || !served.scheme->contains(z, x, y)) return Refuse(error, "the tile is not on the image");
  // The buffer kxhost render decodes the same scene into: the whole tile,
  // zeroed first, so that what lies beyond the image is what render gives.
  DecodeBuffer buffer;
  buffer.scene = served.scheme->sceneOf(z, x, y);
  if (!RenderBufferFormat(served.props, buffer.scene, &buffer.format, error)) return false;
  std::vector<uint8_t> pixels;
  try {
    pixels.resize(static_cast<size_t>(kServedTileSize) * buffer.format.rowbytes);
  } catch (const std::exception&) {
    return Refuse(error, "not enough memory for a tile");
  }
  buffer.pBits = pixels.data();

  // The module starts no thread, so the source is read on this thread when
  // the decode reaches it: a decode that read nothing was answered whole by
  // the persistent pixel cache, which is the one stage that serves pixels
  // without its upstream. That is the most direct account the module gives
  // (it keeps no hit counters), and it holds for tiles that span several of
  // the cache's tiles or that the cache bypasses.
  const uint64_t readBefore = GdalSource::ScenesReadOnThisThread();
  const HRESULT status = served.chain.head()->Decode(&buffer, KXV_BEST_QUALITY, nullptr);
  if (FAILED(status)) return Refuse(error, "decoding the tile failed with " + StatusText(status));
  const bool cached = !served.settings.cache.directory.empty();
  tile->origin = !cached                                              ? TileOrigin::NoCache
                 : GdalSource::ScenesReadOnThisThread() == readBefore ? TileOrigin::Cache
                                                                      : TileOrigin::Source;

  // The PNG file of the samples as they lie in the buffer.
  SampleView samples;
  samples.bits = pixels.data();
  samples.width = static_cast<int>(kServedTileSize);
  samples.height = static_cast<int>(kServedTileSize);
  samples.bands = buffer.format.spp;
  samples.type = buffer.format.type;
  samples.pixelStep = static_cast<int64_t>(buffer.format.stride) * KxHostSampleBytes(buffer.format.type);
  samples.rowStep = buffer.format.rowbytes;
  return EncodePng(samples, &tile->png, error);
}

}  // namespace kxhost
