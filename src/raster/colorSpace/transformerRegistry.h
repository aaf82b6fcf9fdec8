// The module-wide registry of transformer factories, keyed by the text
// "<source colour space>.to.<destination colour space>", and the identity
// factory for pairs of one colour space. Written only by module attach and
// detach (which the loader serialises with every other use of the module);
// lookups only read it, so decodes on several threads need no lock.
#ifndef KELVANE_RASTER_COLOR_SPACE_TRANSFORMER_REGISTRY_H
#define KELVANE_RASTER_COLOR_SPACE_TRANSFORMER_REGISTRY_H

#include <memory>

#include "raster/colorSpace/transformerFactory.h"
#include "raster/imageBufferInfo.h"
#include "raster/imageTransformer.h"

namespace Kelvane {

// Takes ownership of `factory`; a factory registered before for its key is
// released. The map is made on first use; KxUtilException(KX_STATUS_OUT_OF_MEMORY) when memory
// runs out (the factory is then released).
void registerFactory(std::unique_ptr<ColorSpaceTransformerFactory> factory);

// Replaces (and releases) the identity factory.
void setIdentityFactory(std::unique_ptr<ColorSpaceTransformerFactory> factory);

// A new transformer from `source` to `destination`: the factory registered
// for the pair, else the identity factory when the colour spaces are equal
// or luminance goes into greyscale (YIQ or YIQK to greyscale). None when the
// registry has no map, no factory applies, or the factory gives none.
std::unique_ptr<ImageTransformer> findTransformer(const ImageBufferInfo& destination,
                                                  const ImageBufferInfo& source) noexcept;

// Releases every factory, the identity factory and the map.
void clearRegistry() noexcept;

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_TRANSFORMER_REGISTRY_H
