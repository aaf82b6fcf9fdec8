// The eleven factory kinds: for each, its destination and source colour
// spaces and the transformer it makes for a pair of sample types.
#ifndef KELVANE_RASTER_TRANSFORMER_FACTORY_IMPS_H
#define KELVANE_RASTER_TRANSFORMER_FACTORY_IMPS_H

#include <cstdint>

#include "raster/colorSpace/cmykToRgbPixelTransformer.h"
#include "raster/colorSpace/cmykToRgbkPixelTransformer.h"
#include "raster/colorSpace/cmykToYiqkPixelTransformer.h"
#include "raster/colorSpace/colorSpaceTransformer.h"
#include "raster/colorSpace/grayscaleToRgbPixelTransformer.h"
#include "raster/colorSpace/identityTransformer.h"
#include "raster/colorSpace/rgbToCmykPixelTransformer.h"
#include "raster/colorSpace/rgbToGrayscalePixelTransformer.h"
#include "raster/colorSpace/rgbToYiqPixelTransformer.h"
#include "raster/colorSpace/yiqToRgbPixelTransformer.h"
#include "raster/colorSpace/yiqkToCmykPixelTransformer.h"
#include "raster/colorSpace/yiqkToRgbPixelTransformer.h"
#include "raster/colorSpaceCodes.h"

namespace Kelvane {

// One kind of colour-space factory: Op<Dst,Src> wrapped in a
// ColorSpaceTransformer, from `source` to `destination`.
template <uint32_t destination, uint32_t source, template <typename, typename> class Op>
struct ColorSpaceFactoryImp {
  static constexpr uint32_t kDestinationColorSpace = destination;
  static constexpr uint32_t kSourceColorSpace = source;
  template <typename Dst, typename Src>
  using Transformer = ColorSpaceTransformer<Op<Dst, Src>>;
};

using CMYKtoRGBFactoryImp = ColorSpaceFactoryImp<kColorSpaceRGB, kColorSpaceCMYK, CMYKtoRGBPixelTransformer>;
using CMYKtoRGBKFactoryImp = ColorSpaceFactoryImp<kColorSpaceRGBK, kColorSpaceCMYK, CMYKtoRGBKPixelTransformer>;
using RGBtoCMYKFactoryImp = ColorSpaceFactoryImp<kColorSpaceCMYK, kColorSpaceRGB, RGBtoCMYKPixelTransformer>;
using RGBtoGrayscaleFactoryImp =
    ColorSpaceFactoryImp<kColorSpaceGrayscale, kColorSpaceRGB, RGBtoGrayscalePixelTransformer>;
using YIQtoRGBFactoryImp = ColorSpaceFactoryImp<kColorSpaceRGB, kColorSpaceYIQ, YIQtoRGBPixelTransformer>;
using RGBtoYIQFactoryImp = ColorSpaceFactoryImp<kColorSpaceYIQ, kColorSpaceRGB, RGBtoYIQPixelTransformer>;
using CMYKtoYIQKFactoryImp = ColorSpaceFactoryImp<kColorSpaceYIQK, kColorSpaceCMYK, CMYKtoYIQKPixelTransformer>;
using YIQKtoCMYKFactoryImp = ColorSpaceFactoryImp<kColorSpaceCMYK, kColorSpaceYIQK, YIQKtoCMYKPixelTransformer>;
using YIQKtoRGBFactoryImp = ColorSpaceFactoryImp<kColorSpaceRGB, kColorSpaceYIQK, YIQKtoRGBPixelTransformer>;
using GrayscaleToRGBFactoryImp =
    ColorSpaceFactoryImp<kColorSpaceRGB, kColorSpaceGrayscale, GrayscaleToRGBPixelTransformer>;

// The identity: no colour spaces of its own; it makes the byte-copying
// identity transformer.
struct IdentityImp {
  static constexpr uint32_t kDestinationColorSpace = 0;
  static constexpr uint32_t kSourceColorSpace = 0;
  template <typename Dst, typename Src>
  using Transformer = IdentityTransformer<Dst, Src>;
};

}  // namespace Kelvane

#endif  // KELVANE_RASTER_TRANSFORMER_FACTORY_IMPS_H
