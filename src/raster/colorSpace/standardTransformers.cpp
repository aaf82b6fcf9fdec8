#include "raster/colorSpace/standardTransformers.h"

#include <memory>
#include <new>

#include "raster/colorSpace/colorKindUnits.h"
#include "raster/colorSpace/transformerRegistry.h"

namespace Kelvane {

bool buildTransformerRegistry() noexcept {
  using Make = std::unique_ptr<ColorSpaceTransformerFactory> (*)(size_t);
  static constexpr Make kUnits[kColorKindUnits] = {&ColorKindUnit<0>::make, &ColorKindUnit<1>::make,
                                                   &ColorKindUnit<2>::make, &ColorKindUnit<3>::make};
  try {
    // Every kind in list order; the last is the identity.
    for (size_t kind = 0; kind < kStandardFactoryKinds; ++kind) {
      std::unique_ptr<ColorSpaceTransformerFactory> factory = kUnits[kind % kColorKindUnits](kind);
      if (factory == nullptr) throw std::bad_alloc();
      if (kind + 1 < kStandardFactoryKinds) {
        registerFactory(std::move(factory));
      } else {
        setIdentityFactory(std::move(factory));
      }
    }
    return true;
  } catch (...) {
    clearRegistry();
    return false;
  }
}

}  // namespace Kelvane
