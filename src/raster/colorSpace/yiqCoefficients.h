// The coefficients of the YIQ kinds: the inverse of the RGB-to-YIQ matrix,
// single-precision values widened to double where they enter a formula.
#ifndef KELVANE_RASTER_COLOR_SPACE_YIQ_COEFFICIENTS_H
#define KELVANE_RASTER_COLOR_SPACE_YIQ_COEFFICIENTS_H

namespace Kelvane {

struct YiqCoefficients {
  // R = Y + a1 I + a2 Q, G = Y + b1 I + b2 Q, B = Y + c1 I + c2 Q.
  float a1 = 0.94521606f;
  float a2 = 0.63271606f;
  float b1 = -0.28935185f;
  float b2 = -0.6018519f;
  float c1 = -1.099537f;
  float c2 = 1.712963f;
};

}  // namespace Kelvane

#endif  // KELVANE_RASTER_COLOR_SPACE_YIQ_COEFFICIENTS_H
