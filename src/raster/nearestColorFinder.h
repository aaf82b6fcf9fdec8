// NearestColorFinder: the library's own table entry finder, an exhaustive
// search for the smallest squared distance over the entry's bands.
#ifndef KELVANE_RASTER_NEAREST_COLOR_FINDER_H
#define KELVANE_RASTER_NEAREST_COLOR_FINDER_H

#include <cstdint>

#include "raster/clut.h"

namespace Kelvane {

class NearestColorFinder : public ClutEntryFinder {
 public:
  // Searches the entries of `owner`, which must outlive the finder (a table
  // owns its finder).
  explicit NearestColorFinder(const Clut& owner) : owner_(&owner) {}

  // Index of the entry with the smallest sum of squared band differences to
  // `pixel`; the lowest index wins a tie, and an empty table gives 0. Bands
  // beyond either side's band count are not compared.
  uint32_t findNearest(const Pixel& pixel) const override;
  ClutEntryFinder* clone(const Clut& owner) const override;

 private:
  const Clut* owner_;  // not owned
};

}  // namespace Kelvane

#endif  // KELVANE_RASTER_NEAREST_COLOR_FINDER_H
