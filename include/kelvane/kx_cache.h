// Configuration interfaces of the persistent pixel cache stage, which keeps
// decoded tiles as raw files under a directory and serves later decodes of
// the same region and magnification from them. The object answers both
// identifiers with one table of slots 0 to 14; no setter checks its value.
#ifndef KELVANE_KX_CACHE_H
#define KELVANE_KX_CACHE_H

#include "kelvane/kx_ids.h"
#include "kelvane/kx_platform_types.h"

namespace Kelvane {

// Where the tiles live and how large they are.
struct IKxPersistantPixelCache : IUnknown {
  // UTF-8, taken as it is; trailing separators become exactly one. Null, or
  // an empty text, switches the cache off.
  virtual HRESULT KX_STDCALL SetCacheDirectory(const char* directory) = 0;  // 3
  // The stored directory, valid until the next SetCacheDirectory; null when off.
  virtual const char* KX_STDCALL GetCacheDirectory() = 0;                       // 4
  virtual HRESULT KX_STDCALL SetTileSize(uint32_t width, uint32_t height) = 0;  // 5
  // Writes each size whose pointer is not null.
  virtual HRESULT KX_STDCALL GetTileSize(uint32_t* width, uint32_t* height) = 0;  // 6

 protected:
  ~IKxPersistantPixelCache() = default;
};

// When the cache is used and how missing tiles are decoded.
struct IKxPersistantPixelCache2 : IKxPersistantPixelCache {
  // Tiles smaller than this fraction of the image bypass the cache; 0 or less: off.
  virtual HRESULT KX_STDCALL SetTileRatioThreshold(double threshold) = 0;  // 7
  virtual double KX_STDCALL GetTileRatioThreshold() = 0;                   // 8
  // Least useful share of a tile worth writing; 0 or less: every tile.
  virtual HRESULT KX_STDCALL SetUtilityThreshold(double threshold) = 0;  // 9
  virtual double KX_STDCALL GetUtilityThreshold() = 0;                   // 10
  // Most rectangles decoded one by one before the whole scene is decoded at once.
  virtual HRESULT KX_STDCALL SetMaxCuts(uint32_t count) = 0;  // 11
  virtual uint32_t KX_STDCALL GetMaxCuts() = 0;               // 12
  // Scenes at a larger magnification bypass the cache.
  virtual HRESULT KX_STDCALL SetMaxMagnification(double magnification) = 0;  // 13
  virtual double KX_STDCALL GetMaxMagnification() = 0;                       // 14

 protected:
  ~IKxPersistantPixelCache2() = default;
};

}  // namespace Kelvane

#endif  // KELVANE_KX_CACHE_H
