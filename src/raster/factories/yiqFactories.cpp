// The kinds between RGB and YIQ.
#include "raster/factories/standardFactories.h"

namespace Kelvane {

template std::unique_ptr<ColorSpaceTransformerFactory> newTransformerFactory<YIQtoRGBFactoryImp>();
template std::unique_ptr<ColorSpaceTransformerFactory> newTransformerFactory<RGBtoYIQFactoryImp>();

}  // namespace Kelvane
