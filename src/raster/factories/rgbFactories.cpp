// The kinds from RGB except YIQ, greyscale to RGB and the identity.
#include "raster/factories/standardFactories.h"

namespace Kelvane {

template std::unique_ptr<ColorSpaceTransformerFactory> newTransformerFactory<RGBtoCMYKFactoryImp>();
template std::unique_ptr<ColorSpaceTransformerFactory> newTransformerFactory<RGBtoGrayscaleFactoryImp>();
template std::unique_ptr<ColorSpaceTransformerFactory> newTransformerFactory<GrayscaleToRGBFactoryImp>();
template std::unique_ptr<ColorSpaceTransformerFactory> newTransformerFactory<IdentityImp>();

}  // namespace Kelvane
