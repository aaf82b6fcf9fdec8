#include "stages/persistantPixelCache/kxv_persistantPixelCache.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <utility>

#include "content/kxv_decodeBufConfig.h"
#include "stages/kxv_bufferSamples.h"
#include "stages/persistantPixelCache/kxv_cacheDescription.h"
#include "support/kxLog.h"

namespace Kelvane {

namespace {

// Capability bit by which the stage marks its properties as coming through a cache.
constexpr uint32_t kCachedCapability = 0x10;
// More tiles than this in one scene cost more in file look-ups than the
// cache can save; such scenes are decoded plain.
constexpr int64_t kMaxTilesPerScene = 1 << 16;

bool isWhole(double value) { return std::floor(value) == value; }

// Tiles hold 8- and 16-bit samples of whole pixels on a grid of whole pixels:
// scenes of other sample types, or whose corner or extent is not a whole
// number of pixels, are decoded plain, and so is every scene while a tile
// extent is 0.
bool tilesCanServe(const DecodeBuffer& buffer, const KxvCacheSettings& settings) {
  const BufferFormat& format = buffer.format;
  if (settings.tileWidth == 0 || settings.tileHeight == 0) return false;
  if (format.type > KX_TYPE_S16 || format.spp == 0 || format.spp > KxvDecodeBufConfig::kMaxSamples) return false;
  const Scene& scene = buffer.scene;
  return isWhole(scene.ulx) && isWhole(scene.uly) && isWhole(scene.width) && isWhole(scene.height);
}

// An image extent usable as a tile grid: at least one pixel, within int.
std::optional<uint32_t> gridExtent(double extent) {
  const double whole = std::ceil(extent);
  if (!(whole >= 1.0 && whole <= static_cast<double>(INT_MAX))) return std::nullopt;
  return static_cast<uint32_t>(whole);
}

// Releases a held query, if any.
void releaseQuery(IKxImageSizeQuery* query) {
  if (query != nullptr) query->Release();
}

}  // namespace

KxvPersistantPixelCache::DecodeView::~DecodeView() { releaseQuery(imageSizeQuery); }

KxvPersistantPixelCache::~KxvPersistantPixelCache() {
  releaseQuery(imageSizeQuery_);
  imageSizeQuery_ = nullptr;
  KxvDecodeBufConfig::ReleaseBits(backgroundPixel_);
}

HRESULT KxvPersistantPixelCache::InternalQueryInterface(const IID& iid, void** out) {
  return guarded([&]() -> HRESULT {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    // Both configuration identifiers share the one table.
    if (KxIsEqualGUID(iid, IID_IKxPersistantPixelCache) || KxIsEqualGUID(iid, IID_IKxPersistantPixelCache2)) {
      return handOut(static_cast<IKxPersistantPixelCache2*>(this), out);
    }
    return KxvGeoContentBase::InternalQueryInterface(iid, out);
  });
}

HRESULT KX_STDCALL KxvPersistantPixelCache::GetRasterProps(RasterProps* props) {
  return guarded([&]() -> HRESULT {
    if (props == nullptr) return E_INVALIDARG;
    const HRESULT status = KxvContentBase::GetRasterProps(props);
    props->flags |= kCachedCapability;
    if ((props->flags & KX_CAP_ANY_MAG) != 0) props->flags = (props->flags & ~KX_CAP_ANY_MAG) | KX_CAP_POW2_MAG;
    return status;
  });
}

HRESULT KX_STDCALL KxvPersistantPixelCache::SetContainedImp(IKxContentImp* imp) {
  return guarded([&] { return attachUpstream(imp); });
}

HRESULT KxvPersistantPixelCache::attachUpstream(IKxContentImp* imp) {
  // The query of an earlier upstream goes whatever happens.
  const HRESULT status = KxvContentBase::SetContainedImp(imp);
  IKxImageSizeQuery* earlierQuery = nullptr;
  {
    MutexLockGuard hold(settingsLock_);
    std::swap(earlierQuery, imageSizeQuery_);
  }
  releaseQuery(earlierQuery);
  if (FAILED(status)) return status;

  // The upstream's optional image-size query, and its image layout.
  void* query = nullptr;
  if (FAILED(imp->QueryInterface(IID_IKxImageSizeQuery, &query))) query = nullptr;
  RasterProps props;
  GetRasterProps(&props);
  DecodeBuffer image;
  KxvDecodeBufConfig::InitFromProps(image, Scene{0.0, 0.0, double(props.width), double(props.height), 1.0}, props);
  DecodeBuffer background = backgroundPixelOf(props);

  // Install all three at once; what they replace goes after the lock.
  // Install all three at once; what they replace goes after the lock.
  {
    MutexLockGuard hold(settingsLock_);
    imageSizeQuery_ = static_cast<IKxImageSizeQuery*>(query);
    imageFormat_ = image.format;
    std::swap(backgroundPixel_, background);
  }
  KxvDecodeBufConfig::ReleaseBits(background);
  return S_OK;
}

DecodeBuffer KxvPersistantPixelCache::backgroundPixelOf(const RasterProps& props) {
  // A pixel of more samples than a buffer addresses can fill no tile: such
  // a source gets no background pixel, and no memory is spent on one.
  DecodeBuffer background;
  if (props.numBands == 0 || props.numBands > KxvDecodeBufConfig::kMaxSamples) return background;
  KxvDecodeBufConfig::InitFromProps(background, Scene{0.0, 0.0, 1.0, 1.0, 1.0}, props);
  const size_t bytes = KxvDecodeBufConfig::alloc(background, logSink());
  if (bytes == 0) return background;
  std::memset(background.pBits, 0, bytes);

  // One pixel of the upstream's layout, zero unless the chain knows the background.
  void* found = nullptr;
  if (FAILED(FindInterface(IID_IKxBackgroundPixelQuery, &found)) || found == nullptr) return background;
  IKxBackgroundPixelQuery* query = static_cast<IKxBackgroundPixelQuery*>(found);
  const DecodeBuffer given = background;
  uint32_t reserved = 0;
  query->GetBackgroundPixel(&reserved, &background);
  query->Release();
  // The host may write the pixel's samples, nothing else: a record it changed
  // would be read by a layout its memory does not have.
  if (!KxvDecodeBufConfig::SameRecordLayout(given, background)) {
    logFailure(logSink(),
               "KxvPersistantPixelCache - the background-pixel query changed the pixel's layout; "
               "using a zero background");
    background = given;
    std::memset(background.pBits, 0, bytes);
  }
  return background;
}

void KxvPersistantPixelCache::takeView(DecodeView* view) const {
  MutexLockGuard hold(settingsLock_);
  const uint8_t* background = static_cast<const uint8_t*>(backgroundPixel_.pBits);
  if (background != nullptr)
    view->backgroundBytes.assign(background, background + KxvDecodeBufConfig::GetByteSize(backgroundPixel_));
  view->background = backgroundPixel_;
  view->background.pBits = view->backgroundBytes.empty() ? nullptr : view->backgroundBytes.data();
  view->settings = settings_;
  view->imageFormat = imageFormat_;
  view->imageSizeQuery = imageSizeQuery_;
  if (imageSizeQuery_ != nullptr) imageSizeQuery_->AddRef();
}

HRESULT KX_STDCALL KxvPersistantPixelCache::Decode(DecodeBuffer* buffer, uint32_t quality, void* third) {
  return guarded([&] { return decodeThroughCache(buffer, quality, third); });
}

HRESULT KxvPersistantPixelCache::decodeThroughCache(DecodeBuffer* buffer, uint32_t quality, void* third) {
  if (buffer == nullptr) return E_INVALIDARG;
  // The buffer must be one this stage can fill from its upstream.
  RasterProps props;
  HRESULT status = GetRasterProps(&props);
  if (FAILED(status)) return status;
  DecodeView view;
  takeView(&view);
  status = validate(buffer, view.imageFormat, props);
  if (FAILED(status)) return status;

  const std::optional<HRESULT> served = decodeFromTiles(*buffer, props, view);
  if (served) return *served;
  return KxvContentBase::Decode(buffer, quality, third);
}

std::optional<HRESULT> KxvPersistantPixelCache::decodeFromTiles(DecodeBuffer& buffer, const RasterProps& props,
                                                                const DecodeView& view) {
  const KxvCacheSettings& settings = view.settings;
  if (settings.directory.empty() || buffer.scene.mag > settings.maxMagnification) return std::nullopt;
  if (!tilesCanServe(buffer, settings)) return std::nullopt;
  std::optional<KxvTileGeometry> geometry = imageGeometry(buffer, props, view);
  if (!geometry) return std::nullopt;

  // Tiles much smaller than the image would make too many files to be worth it.
  if (settings.tileRatioThreshold > 0.0) {
    const double ratioX = double(settings.tileWidth) / geometry->imageWidth;
    const double ratioY = double(settings.tileHeight) / geometry->imageHeight;
    if (ratioX < settings.tileRatioThreshold || ratioY < settings.tileRatioThreshold) {
      logDetail(logSink(), "KxvPersistantPixelCache::Decode - tile ratio (%f,%f) below threshold (%f), avoiding cache",
                ratioX, ratioY, settings.tileRatioThreshold);
      return std::nullopt;
    }
  }
  // Only a directory made for this tile size and this source serves tiles.
  const std::string description = describeCache(settings.tileWidth, settings.tileHeight, props, view.imageFormat);
  if (!admitsCache(settings.directory, description, logSink())) return std::nullopt;

  // An image smaller than a tile is one tile.
  geometry->tileWidth = std::min(settings.tileWidth, geometry->imageWidth);
  geometry->tileHeight = std::min(settings.tileHeight, geometry->imageHeight);

  // Parts of the scene outside the image show the background.
  const KxvTileRange range = computeTileRange(geometry->tileWidth, geometry->tileHeight, buffer.scene, false,
                                              geometry->imageWidth, geometry->imageHeight);
  if (range.rows() * range.columns() > kMaxTilesPerScene) return std::nullopt;
  if (range.outside && fillWithBackground(buffer, view.background) != KXV_SAMPLES_DONE) return std::nullopt;
  if (range.empty()) return S_OK;

  // Decoded pixels are copied and written by the layout this stage gave.
  KxvCachedDecode decode(settings, tileFiles_, logSink(), *geometry, [this](DecodeBuffer* part) {
    return decodeUpstreamKeepingLayout(*part, KXV_BEST_QUALITY, nullptr);
  });
  return decode.decodeAllTiles(buffer, range);
}

std::optional<KxvTileGeometry> KxvPersistantPixelCache::imageGeometry(const DecodeBuffer& buffer,
                                                                      const RasterProps& props,
                                                                      const DecodeView& view) const {
  const double mag = buffer.scene.mag;
  // The upstream's own answer when it gives both extents.
  uint32_t width = 0;
  uint32_t height = 0;
  if (view.imageSizeQuery != nullptr) view.imageSizeQuery->GetImageSize(mag, &width, &height);
  if (width != 0 && height != 0) {
    if (width > static_cast<uint32_t>(INT_MAX) || height > static_cast<uint32_t>(INT_MAX)) return std::nullopt;
    return KxvTileGeometry{0, 0, width, height};
  }
  // Otherwise the image's size scaled to that magnification, rounded up to
  // whole pixels; a navigator would clamp the magnification to the source's
  // range and place scenes beyond it in an image of the wrong size.
  const std::optional<uint32_t> imageWidth = gridExtent(double(props.width) * mag);
  const std::optional<uint32_t> imageHeight = gridExtent(double(props.height) * mag);
  if (!imageWidth || !imageHeight) return std::nullopt;
  return KxvTileGeometry{0, 0, *imageWidth, *imageHeight};
}

}  // namespace Kelvane
