// The colour kinds the module converts between: one list, in registration
// order, from which the factory kinds, their names and the registry are
// derived. Adding a kind means its pixel transformer's header, its include
// and one entry here.
#ifndef KELVANE_RASTER_COLOR_SPACE_COLOR_KINDS_H
#define KELVANE_RASTER_COLOR_SPACE_COLOR_KINDS_H

#include <cstdint>
#include <tuple>

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

// Every colour kind: KIND(name, destination code, source code, pixel
// transformer). The factory kind of each is <name>FactoryImp.
#define KX_STANDARD_COLOR_KINDS(KIND)                                                        \
  KIND(CMYKtoRGB, kColorSpaceRGB, kColorSpaceCMYK, CMYKtoRGBPixelTransformer)                \
  KIND(CMYKtoRGBK, kColorSpaceRGBK, kColorSpaceCMYK, CMYKtoRGBKPixelTransformer)             \
  KIND(RGBtoCMYK, kColorSpaceCMYK, kColorSpaceRGB, RGBtoCMYKPixelTransformer)                \
  KIND(RGBtoGrayscale, kColorSpaceGrayscale, kColorSpaceRGB, RGBtoGrayscalePixelTransformer) \
  KIND(YIQtoRGB, kColorSpaceRGB, kColorSpaceYIQ, YIQtoRGBPixelTransformer)                   \
  KIND(RGBtoYIQ, kColorSpaceYIQ, kColorSpaceRGB, RGBtoYIQPixelTransformer)                   \
  KIND(CMYKtoYIQK, kColorSpaceYIQK, kColorSpaceCMYK, CMYKtoYIQKPixelTransformer)             \
  KIND(YIQKtoCMYK, kColorSpaceCMYK, kColorSpaceYIQK, YIQKtoCMYKPixelTransformer)             \
  KIND(YIQKtoRGB, kColorSpaceRGB, kColorSpaceYIQK, YIQKtoRGBPixelTransformer)                \
  KIND(GrayscaleToRGB, kColorSpaceRGB, kColorSpaceGrayscale, GrayscaleToRGBPixelTransformer)

namespace Kelvane {

// One factory kind: the transformer of Op<Dst,Src>, from `source` to `destination`.
template <uint32_t destination, uint32_t source, template <typename, typename> class Op>
struct ColorSpaceFactoryImp {
  static constexpr uint32_t kDestinationColorSpace = destination;
  static constexpr uint32_t kSourceColorSpace = source;
  template <typename Dst, typename Src>
  using Transformer = ColorSpaceTransformer<Op<Dst, Src>>;
};

#define KX_COLOR_KIND_FACTORY_IMP(name, destination, source, op) \
  using name##FactoryImp = ColorSpaceFactoryImp<destination, source, op>;
KX_STANDARD_COLOR_KINDS(KX_COLOR_KIND_FACTORY_IMP)
#undef KX_COLOR_KIND_FACTORY_IMP

// The identity: no colour spaces of its own; it makes the byte-copying
// identity transformer.
struct IdentityImp {
  static constexpr uint32_t kDestinationColorSpace = 0;
  static constexpr uint32_t kSourceColorSpace = 0;
  template <typename Dst, typename Src>
  using Transformer = IdentityTransformer<Dst, Src>;
};

// The factory kinds of the registry the module builds: every colour kind in
// list order, then the identity.
#define KX_COLOR_KIND_LISTED(name, destination, source, op) name##FactoryImp,
using StandardFactoryKinds = std::tuple<KX_STANDARD_COLOR_KINDS(KX_COLOR_KIND_LISTED) IdentityImp>;
#undef KX_COLOR_KIND_LISTED
inline constexpr size_t kStandardFactoryKinds = std::tuple_size_v<StandardFactoryKinds>;

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_COLOR_KINDS_H
