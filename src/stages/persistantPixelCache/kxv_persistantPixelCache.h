// KxvPersistantPixelCache: the pipeline stage that keeps decoded pixels as
// raw tile files under a directory, so that a later decode of the same region
// at the same magnification is read from disk instead of being decoded by the
// upstream source again. Without a directory, above the maximum
// magnification, or for scenes its tiles cannot serve, it passes decodes to
// its upstream source unchanged.
//
// Decodes may run on several threads at once. Configuration calls and
// attaching an upstream are serialised with each other by the settings lock;
// each decode works with the settings as they stood when it began. Tile file
// reads and writes of one object are serialised by its file lock; objects and
// processes sharing a directory rely on tile files being published whole and
// never replaced.
#ifndef KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_PERSISTANT_PIXEL_CACHE_H
#define KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_PERSISTANT_PIXEL_CACHE_H

#include <optional>
#include <vector>

#include "content/kxv_geoContentBase.h"
#include "kelvane/kx_cache.h"
#include "platform/kxMutex.h"
#include "stages/persistantPixelCache/kxv_cacheSettings.h"
#include "stages/persistantPixelCache/kxv_cachedDecode.h"
#include "stages/persistantPixelCache/kxv_tileFiles.h"

namespace Kelvane {

class KxvPersistantPixelCache : public KxvGeoContentBase, public IKxPersistantPixelCache2 {
 public:
  KxvPersistantPixelCache() = default;
  // Releases the image-size query and frees the background pixel.
  ~KxvPersistantPixelCache() override;

  KX_DELEGATE_IUNKNOWN_TO_OUTER

  // Answers IKxPersistantPixelCache and IKxPersistantPixelCache2 with one
  // table, then whatever the geo content base answers.
  HRESULT InternalQueryInterface(const IID& iid, void** out) override;

  // The upstream's properties, marked as cached (0x10) and offering powers of
  // two where the upstream offers any magnification: tiles exist per octave.
  HRESULT KX_STDCALL GetRasterProps(RasterProps* props) override;
  HRESULT KX_STDCALL Decode(DecodeBuffer* buffer, uint32_t quality, void* third) override;
  // Inserts the upstream, then learns its image layout, image-size query and
  // background pixel.
  HRESULT KX_STDCALL SetContainedImp(IKxContentImp* imp) override;

  // IKxPersistantPixelCache
  HRESULT KX_STDCALL SetCacheDirectory(const char* directory) override;
  const char* KX_STDCALL GetCacheDirectory() override;
  HRESULT KX_STDCALL SetTileSize(uint32_t width, uint32_t height) override;
  HRESULT KX_STDCALL GetTileSize(uint32_t* width, uint32_t* height) override;
  // IKxPersistantPixelCache2
  HRESULT KX_STDCALL SetTileRatioThreshold(double threshold) override;
  double KX_STDCALL GetTileRatioThreshold() override;
  HRESULT KX_STDCALL SetUtilityThreshold(double threshold) override;
  double KX_STDCALL GetUtilityThreshold() override;
  HRESULT KX_STDCALL SetMaxCuts(uint32_t count) override;
  uint32_t KX_STDCALL GetMaxCuts() override;
  HRESULT KX_STDCALL SetMaxMagnification(double magnification) override;
  double KX_STDCALL GetMaxMagnification() override;

 private:
  // What one decode works with, copied under the settings lock. Holds its
  // own reference to the image-size query and its own background pixel.
  struct DecodeView {
    DecodeView() = default;
    DecodeView(const DecodeView&) = delete;
    DecodeView& operator=(const DecodeView&) = delete;
    ~DecodeView();

    KxvCacheSettings settings;
    BufferFormat imageFormat;
    IKxImageSizeQuery* imageSizeQuery = nullptr;
    DecodeBuffer background;
    std::vector<uint8_t> backgroundBytes;
  };

  // Bodies of the operations above, run inside guarded().
  HRESULT attachUpstream(IKxContentImp* imp);
  HRESULT decodeThroughCache(DecodeBuffer* buffer, uint32_t quality, void* third);
  // The cache's part of a decode, once the buffer is valid; empty when the
  // scene is to be decoded plain.
  std::optional<HRESULT> decodeFromTiles(DecodeBuffer& buffer, const RasterProps& props, const DecodeView& view);
  // Image extent at the scene's magnification, from the image-size query or
  // the navigator; empty when unknown, 0, or beyond int.
  std::optional<KxvTileGeometry> imageGeometry(const DecodeBuffer& buffer, const RasterProps& props,
                                               const DecodeView& view) const;
  void takeView(DecodeView* view) const;
  // A one-pixel record of the upstream's layout, with pixel memory of its
  // own, holding the background the chain reports (zero without one); no
  // memory for a source of no or more than 256 bands.
  DecodeBuffer backgroundPixelOf(const RasterProps& props);

  // Reads and writes of one setting under the settings lock.
  template <typename T>
  T readSetting(T KxvCacheSettings::*field) const noexcept;
  template <typename T>
  HRESULT storeSetting(T KxvCacheSettings::*field, T value) noexcept;

  // Guards settings_, imageSizeQuery_, imageFormat_ and the background pixel.
  mutable MutexLock settingsLock_;
  KxvCacheSettings settings_;
  KxvTileFiles tileFiles_;
  // Optional interface of the upstream, one reference held; null when absent.
  IKxImageSizeQuery* imageSizeQuery_ = nullptr;
  // Pixel layout of the upstream image (props' colour space, bands, type; interleaved, unaligned).
  BufferFormat imageFormat_;
  // One pixel of the upstream's layout holding the value of each band outside
  // the image; its pixel memory is owned by this object.
  DecodeBuffer backgroundPixel_;
};

}  // namespace Kelvane

#endif  // KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_PERSISTANT_PIXEL_CACHE_H
