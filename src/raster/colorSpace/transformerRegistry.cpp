#include "raster/colorSpace/transformerRegistry.h"

#include <cstdio>
#include <map>
#include <new>
#include <string>
#include <utility>

#include "kelvane/kx_exception.h"
#include "kelvane/kx_status.h"
#include "raster/colorSpaceCodes.h"

namespace Kelvane {
namespace {

using FactoryMap = std::map<std::string, std::unique_ptr<ColorSpaceTransformerFactory>>;

// Plain pointers without destructors: the detach hook may clear the registry
// after static objects have been destroyed. Both are owned.
struct Registry {
  FactoryMap* factories = nullptr;  // null until the first registration
  ColorSpaceTransformerFactory* identity = nullptr;
};
Registry g_registry;

// "%d.to.%d" of the source and destination codes.
std::string keyOf(uint32_t sourceSpace, uint32_t destinationSpace) {
  char key[32];
  std::snprintf(key, sizeof key, "%d.to.%d", static_cast<int>(sourceSpace), static_cast<int>(destinationSpace));
  return key;
}

// Luminance may be copied into greyscale; otherwise the identity needs one
// colour space on both sides.
bool identityApplies(uint32_t destinationSpace, uint32_t sourceSpace) {
  if (destinationSpace == sourceSpace) return true;
  return destinationSpace == kColorSpaceGrayscale && (sourceSpace == kColorSpaceYIQ || sourceSpace == kColorSpaceYIQK);
}

}  // namespace

void registerFactory(std::unique_ptr<ColorSpaceTransformerFactory> factory) {
  if (factory == nullptr) return;
  try {
    if (g_registry.factories == nullptr) g_registry.factories = new FactoryMap();
    const std::string key = keyOf(factory->sourceColorSpace(), factory->destinationColorSpace());
    (*g_registry.factories)[key] = std::move(factory);
  } catch (const std::bad_alloc&) {
    throw KxUtilException(KX_STATUS_OUT_OF_MEMORY);
  }
}

void setIdentityFactory(std::unique_ptr<ColorSpaceTransformerFactory> factory) {
  delete g_registry.identity;
  g_registry.identity = factory.release();
}

std::unique_ptr<ImageTransformer> findTransformer(const ImageBufferInfo& destination,
                                                  const ImageBufferInfo& source) noexcept {
  if (g_registry.factories == nullptr) return nullptr;
  try {
    const FactoryMap::const_iterator entry =
        g_registry.factories->find(keyOf(source.colorSpace(), destination.colorSpace()));
    if (entry != g_registry.factories->end() && entry->second != nullptr) {
      return entry->second->create(destination, source);
    }
    if (g_registry.identity != nullptr && identityApplies(destination.colorSpace(), source.colorSpace())) {
      return g_registry.identity->create(destination, source);
    }
  } catch (...) {
    // Out of memory while looking up: no transformer.
  }
  return nullptr;
}

void clearRegistry() noexcept {
  delete g_registry.identity;
  g_registry.identity = nullptr;
  delete g_registry.factories;
  g_registry.factories = nullptr;
}

}  // namespace Kelvane
