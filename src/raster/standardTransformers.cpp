#include "raster/standardTransformers.h"

#include <memory>
#include <new>

#include "raster/factories/standardFactories.h"
#include "raster/transformerRegistry.h"

namespace Kelvane {
namespace {

template <typename Imp>
std::unique_ptr<ColorSpaceTransformerFactory> factoryOf() {
  std::unique_ptr<ColorSpaceTransformerFactory> factory = newTransformerFactory<Imp>();
  if (factory == nullptr) throw std::bad_alloc();
  return factory;
}

}  // namespace

bool buildTransformerRegistry() noexcept {
  try {
    registerFactory(factoryOf<CMYKtoRGBFactoryImp>());
    registerFactory(factoryOf<CMYKtoRGBKFactoryImp>());
    registerFactory(factoryOf<RGBtoCMYKFactoryImp>());
    registerFactory(factoryOf<RGBtoGrayscaleFactoryImp>());
    registerFactory(factoryOf<YIQtoRGBFactoryImp>());
    registerFactory(factoryOf<RGBtoYIQFactoryImp>());
    registerFactory(factoryOf<CMYKtoYIQKFactoryImp>());
    registerFactory(factoryOf<YIQKtoCMYKFactoryImp>());
    registerFactory(factoryOf<YIQKtoRGBFactoryImp>());
    registerFactory(factoryOf<GrayscaleToRGBFactoryImp>());
    setIdentityFactory(factoryOf<IdentityImp>());
    return true;
  } catch (...) {
    clearRegistry();
    return false;
  }
}

}  // namespace Kelvane
