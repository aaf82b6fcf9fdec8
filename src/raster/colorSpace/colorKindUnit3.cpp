// The factory kinds of unit 3 (see colorKindUnits.h).
#include "raster/colorSpace/colorKindUnits.h"

template struct Kelvane::ColorKindUnit<3>;
