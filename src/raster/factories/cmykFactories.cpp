// The kinds from CMYK.
#include "raster/factories/standardFactories.h"

namespace Kelvane {

template std::unique_ptr<ColorSpaceTransformerFactory> newTransformerFactory<CMYKtoRGBFactoryImp>();
template std::unique_ptr<ColorSpaceTransformerFactory> newTransformerFactory<CMYKtoRGBKFactoryImp>();
template std::unique_ptr<ColorSpaceTransformerFactory> newTransformerFactory<CMYKtoYIQKFactoryImp>();

}  // namespace Kelvane
