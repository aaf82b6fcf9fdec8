// The registry the module builds at attach: the ten colour-space factories
// and the identity factory.
#ifndef KELVANE_RASTER_STANDARD_TRANSFORMERS_H
#define KELVANE_RASTER_STANDARD_TRANSFORMERS_H

namespace Kelvane {

// Registers one factory of every kind, in the order CMYK to RGB, CMYK to
// RGBK, RGB to CMYK, RGB to greyscale, YIQ to RGB, RGB to YIQ, CMYK to YIQK,
// YIQK to CMYK, YIQK to RGB, greyscale to RGB, then sets the identity
// factory. On failure (out of memory) the registry is left empty, so that
// every lookup finds none, and the result is false.
bool buildTransformerRegistry() noexcept;

}  // namespace Kelvane

#endif  // KELVANE_RASTER_STANDARD_TRANSFORMERS_H
