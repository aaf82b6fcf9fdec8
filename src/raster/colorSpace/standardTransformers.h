// The registry the module builds at attach: a factory of every colour kind
// and the identity factory.
#ifndef KELVANE_RASTER_COLOR_SPACE_STANDARD_TRANSFORMERS_H
#define KELVANE_RASTER_COLOR_SPACE_STANDARD_TRANSFORMERS_H

namespace Kelvane {

// Registers one factory of every colour kind of colorKinds.h, in the list's
// order, then sets the identity factory. On failure (out of memory) the
// registry is left empty, so that every lookup finds none, and the result is
// false.
bool buildTransformerRegistry() noexcept;

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_STANDARD_TRANSFORMERS_H
