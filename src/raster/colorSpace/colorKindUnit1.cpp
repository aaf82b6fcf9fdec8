// The factory kinds of unit 1 (see colorKindUnits.h).
#include "raster/colorSpace/colorKindUnits.h"

template struct Kelvane::ColorKindUnit<1>;
