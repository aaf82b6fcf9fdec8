// The factories of the standard registry are instantiated in a few units of
// their own (cmykFactories.cpp, rgbFactories.cpp, yiqFactories.cpp and
// yiqkFactories.cpp): every kind over nine type pairs in one unit would
// exhaust the compiler's inlining budget and leave the per-sample arithmetic
// as calls.
#ifndef KELVANE_RASTER_FACTORIES_STANDARD_FACTORIES_H
#define KELVANE_RASTER_FACTORIES_STANDARD_FACTORIES_H

#include <memory>

#include "raster/transformerFactory.h"
#include "raster/transformerFactoryImps.h"

namespace Kelvane {

extern template std::unique_ptr<ColorSpaceTransformerFactory> newTransformerFactory<CMYKtoRGBFactoryImp>();
extern template std::unique_ptr<ColorSpaceTransformerFactory> newTransformerFactory<CMYKtoRGBKFactoryImp>();
extern template std::unique_ptr<ColorSpaceTransformerFactory> newTransformerFactory<CMYKtoYIQKFactoryImp>();
extern template std::unique_ptr<ColorSpaceTransformerFactory> newTransformerFactory<RGBtoCMYKFactoryImp>();
extern template std::unique_ptr<ColorSpaceTransformerFactory> newTransformerFactory<RGBtoGrayscaleFactoryImp>();
extern template std::unique_ptr<ColorSpaceTransformerFactory> newTransformerFactory<GrayscaleToRGBFactoryImp>();
extern template std::unique_ptr<ColorSpaceTransformerFactory> newTransformerFactory<IdentityImp>();
extern template std::unique_ptr<ColorSpaceTransformerFactory> newTransformerFactory<YIQtoRGBFactoryImp>();
extern template std::unique_ptr<ColorSpaceTransformerFactory> newTransformerFactory<RGBtoYIQFactoryImp>();
extern template std::unique_ptr<ColorSpaceTransformerFactory> newTransformerFactory<YIQKtoCMYKFactoryImp>();
extern template std::unique_ptr<ColorSpaceTransformerFactory> newTransformerFactory<YIQKtoRGBFactoryImp>();

}  // namespace Kelvane

#endif  // KELVANE_RASTER_FACTORIES_STANDARD_FACTORIES_H
