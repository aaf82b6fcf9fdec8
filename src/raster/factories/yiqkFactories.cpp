// The kinds from YIQK.
#include "raster/factories/standardFactories.h"

namespace Kelvane {

template std::unique_ptr<ColorSpaceTransformerFactory> newTransformerFactory<YIQKtoCMYKFactoryImp>();
template std::unique_ptr<ColorSpaceTransformerFactory> newTransformerFactory<YIQKtoRGBFactoryImp>();

}  // namespace Kelvane
