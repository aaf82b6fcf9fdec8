#include "hostChain/bandsOption.h"

#include <cmath>

#include "hostChain/gdalSource.h"
#include "hostChain/optionValues.h"

namespace kxhost {

namespace {

// The selector's band map holds band indices from 0 as 16-bit numbers.
constexpr double kHighestBand = 65536.0;
// A decode buffer's sample map has 256 entries, so a pixel holds at most 256 samples.
constexpr size_t kMostSelectedBands = 256;

// Whole band numbers from 1, comma-separated.
bool parseBandList(const std::string& text, std::vector<uint32_t>* bands) {
  std::vector<double> numbers;
  if (!ParseNumberList(text, &numbers) || numbers.size() > kMostSelectedBands) return false;
  std::vector<uint32_t> parsed;
  for (double number : numbers) {
    if (number < 1.0 || number > kHighestBand || number != std::floor(number)) return false;
    parsed.push_back(static_cast<uint32_t>(number));
  }
  *bands = std::move(parsed);
  return true;
}

}  // namespace

bool ParseBandsSetting(const std::string& value, RenderSettings* settings, std::string* error) {
  return parseBandList(value, &settings->bands) ||
         Refuse(error, "--bands must list up to 256 band numbers from 1, for example 3,2,1");
}

bool AddMultibandSelectorStage(const RenderSettings& settings, GdalSource& source, std::vector<StageStep>* steps,
                               std::string* error) {
  if (settings.bands.empty()) return true;
  // The selector decodes through the source's band-selecting decode, which
  // it finds down the chain, so it sits below the cache: a cache under it
  // would be passed by.
  std::vector<uint16_t> bandMap;
  for (uint32_t band : settings.bands) {
    if (band > source.image().bandCount)
      return Refuse(error, "band " + std::to_string(band) + " is out of range: " + source.image().path +
                               " has bands 1 to " + std::to_string(source.image().bandCount));
    bandMap.push_back(static_cast<uint16_t>(band - 1));
  }
  steps->push_back(MultibandSelectorStep(bandMap));
  return true;
}

}  // namespace kxhost
