#include "raster/nearestColorFinder.h"

#include <algorithm>
#include <new>

#include "raster/pixel.h"
#include "raster/sampleTraits.h"

namespace Kelvane {

namespace {

// The search over entries of type Entry for compact samples of type Sample.
template <typename Entry, typename Sample>
uint32_t nearestIndex(const Clut& table, const Sample* samples, uint8_t bandCount) {
  const uint32_t* map = table.info().sampleMap();
  uint32_t best = 0;
  double bestDistance = 0.0;
  for (uint32_t index = 0; index < table.entryCount(); ++index) {
    const Entry* entry = table.entryAt<Entry>(index);
    double distance = 0.0;
    for (uint8_t band = 0; band < bandCount; ++band) {
      const double difference = static_cast<double>(entry[map[band]]) - static_cast<double>(samples[band]);
      distance += difference * difference;
    }
    if (index == 0 || distance < bestDistance) {
      best = index;
      bestDistance = distance;
    }
  }
  return best;
}

}  // namespace

uint32_t NearestColorFinder::findNearest(const Pixel& pixel) const {
  const Clut& table = *owner_;
  if (!table.inUse() || table.info().sampleMap() == nullptr) return 0;
  const uint8_t bandCount = std::min(table.info().bandCount(), pixel.bandCount());
  uint32_t result = 0;
  // Both sample types are chosen once for the whole search.
  withSampleType(pixel.storageType(), [&](auto sampleTag) {
    using Sample = decltype(sampleTag);
    const Sample* samples = static_cast<const Sample*>(pixel.sampleData());
    withSampleType(table.info().sampleType,
                   [&](auto entryTag) { result = nearestIndex<decltype(entryTag)>(table, samples, bandCount); });
  });
  return result;
}

ClutEntryFinder* NearestColorFinder::clone(const Clut& owner) const {
  return new (std::nothrow) NearestColorFinder(owner);
}

}  // namespace Kelvane
