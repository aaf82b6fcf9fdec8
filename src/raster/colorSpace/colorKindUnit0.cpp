// The factory kinds of unit 0 (see colorKindUnits.h).
#include "raster/colorSpace/colorKindUnits.h"

template struct Kelvane::ColorKindUnit<0>;
