// The factory kinds of unit 2 (see colorKindUnits.h).
#include "raster/colorSpace/colorKindUnits.h"

template struct Kelvane::ColorKindUnit<2>;
