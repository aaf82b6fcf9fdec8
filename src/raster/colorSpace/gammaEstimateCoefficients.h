// Constants of the vector estimate of the final power, 255 x^(1/2.2): for
// x = 2^e m with m in [sqrt(1/2), sqrt(2)) and e in -23..0, the estimate is
// 255 x 2^(e / 2.2) m^(1/2.2), the power of 2 the product of two table
// entries (e = 8 q + j, j in 0..7, q in -3..0) and the power of m a
// polynomial in m - 1 interpolating it at Chebyshev nodes (degree 7),
// rounded to single precision. Evaluated in single precision as the estimate
// does it, with or without fused multiply-adds, the estimate of every float
// in [2^-23, 1] lies within 2^-15 of 255 x^(1/2.2) (measured over all of
// them); rounding the double input to a float adds at most 2^-17.
#ifndef KELVANE_RASTER_COLOR_SPACE_GAMMA_ESTIMATE_COEFFICIENTS_H
#define KELVANE_RASTER_COLOR_SPACE_GAMMA_ESTIMATE_COEFFICIENTS_H

namespace Kelvane {

inline constexpr float kPowerCoefficients[8] = {1.0f,           0.454545945f,  -0.123968542f,  0.0638218299f,
                                                -0.0405307636f, 0.0296085309f, -0.0241448954f, 0.0137818865f};

// Estimates closer than this to an integer take the exact lookup: eight
// times 2^-14, which bounds the error above; about one value in a thousand.
inline constexpr float kGammaMargin = 0x1p-11f;

// The largest input the estimate takes, standing for every larger one: its
// estimate lies near 255.5 (255 x 1.0044^(1/2.2) = 255.51), clear of
// integers, and truncates to 255.
inline constexpr float kGammaAboveTop = 1.0044f;

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_GAMMA_ESTIMATE_COEFFICIENTS_H
