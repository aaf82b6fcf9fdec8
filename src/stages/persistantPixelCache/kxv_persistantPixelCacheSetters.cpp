// KxvPersistantPixelCache: the configuration slots. No setter checks its
// value; the decode decides what a value means (see KxvCacheSettings).
#include <utility>

#include "stages/persistantPixelCache/kxv_persistantPixelCache.h"

namespace Kelvane {

template <typename T>
T KxvPersistantPixelCache::readSetting(T KxvCacheSettings::*field) const noexcept {
  try {
    MutexLockGuard hold(settingsLock_);
    return settings_.*field;
  } catch (...) {
    return T{};
  }
}

template <typename T>
HRESULT KxvPersistantPixelCache::storeSetting(T KxvCacheSettings::*field, T value) noexcept {
  return guarded([&] {
    MutexLockGuard hold(settingsLock_);
    settings_.*field = value;
    return S_OK;
  });
}

HRESULT KX_STDCALL KxvPersistantPixelCache::SetCacheDirectory(const char* directory) {
  return guarded([&] {
    // Joining an empty component ends the path in exactly one separator. An
    // empty text would name the file-system root, so it switches the cache off.
    PathString stored;
    if (directory != nullptr && directory[0] != '\0') stored = PathString(PathString(directory), "");
    MutexLockGuard hold(settingsLock_);
    settings_.directory = std::move(stored);
    return S_OK;
  });
}

const char* KX_STDCALL KxvPersistantPixelCache::GetCacheDirectory() {
  try {
    MutexLockGuard hold(settingsLock_);
    return settings_.directory.utf8();
  } catch (...) {
    return nullptr;
  }
}

HRESULT KX_STDCALL KxvPersistantPixelCache::SetTileSize(uint32_t width, uint32_t height) {
  return guarded([&] {
    MutexLockGuard hold(settingsLock_);
    settings_.tileWidth = width;
    settings_.tileHeight = height;
    return S_OK;
  });
}

HRESULT KX_STDCALL KxvPersistantPixelCache::GetTileSize(uint32_t* width, uint32_t* height) {
  return guarded([&] {
    MutexLockGuard hold(settingsLock_);
    if (width != nullptr) *width = settings_.tileWidth;
    if (height != nullptr) *height = settings_.tileHeight;
    return S_OK;
  });
}

HRESULT KX_STDCALL KxvPersistantPixelCache::SetTileRatioThreshold(double threshold) {
  return storeSetting(&KxvCacheSettings::tileRatioThreshold, threshold);
}

double KX_STDCALL KxvPersistantPixelCache::GetTileRatioThreshold() {
  return readSetting(&KxvCacheSettings::tileRatioThreshold);
}

HRESULT KX_STDCALL KxvPersistantPixelCache::SetUtilityThreshold(double threshold) {
  return storeSetting(&KxvCacheSettings::utilityThreshold, threshold);
}

double KX_STDCALL KxvPersistantPixelCache::GetUtilityThreshold() {
  return readSetting(&KxvCacheSettings::utilityThreshold);
}

HRESULT KX_STDCALL KxvPersistantPixelCache::SetMaxCuts(uint32_t count) {
  return storeSetting(&KxvCacheSettings::maxCuts, count);
}

uint32_t KX_STDCALL KxvPersistantPixelCache::GetMaxCuts() { return readSetting(&KxvCacheSettings::maxCuts); }

HRESULT KX_STDCALL KxvPersistantPixelCache::SetMaxMagnification(double magnification) {
  return storeSetting(&KxvCacheSettings::maxMagnification, magnification);
}

double KX_STDCALL KxvPersistantPixelCache::GetMaxMagnification() {
  return readSetting(&KxvCacheSettings::maxMagnification);
}

}  // namespace Kelvane
