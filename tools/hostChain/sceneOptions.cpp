#include "hostChain/sceneOptions.h"

#include "hostChain/optionValues.h"

namespace kxhost {

namespace {

// A 65536-pixel square is already more than a render holds in memory (see
// renderFormat.h), so a larger tile would be one decode of the scene anyway.
constexpr uint64_t kLargestTile = 1u << 16;
// Each decoding thread borrows a dataset handle of its own; this bounds the
// files one render keeps open.
constexpr uint64_t kMostThreads = 256;

struct ResamplingName {
  const char* name;
  GDALRIOResampleAlg algorithm;
};
const ResamplingName kResamplings[] = {
    {"nearest", GRIORA_NearestNeighbour},
    {"bilinear", GRIORA_Bilinear},
    {"cubic", GRIORA_Cubic},
    {"cubicspline", GRIORA_CubicSpline},
    {"lanczos", GRIORA_Lanczos},
    {"average", GRIORA_Average},
    {"mode", GRIORA_Mode},
};

// A count from `low` to `high`.
bool parseCount(const std::string& text, uint64_t low, uint64_t high, uint32_t* value) {
  uint64_t parsed = 0;
  if (!ParseUnsigned(text, low, high, &parsed)) return false;
  *value = static_cast<uint32_t>(parsed);
  return true;
}

}  // namespace

bool ParseOutputSetting(const std::string& value, RenderSettings* settings, std::string*) {
  settings->output = value;
  return true;
}

bool ParseSceneSetting(const std::string& value, RenderSettings* settings, std::string* error) {
  std::vector<double> numbers;
  if (!ParseNumberList(value, &numbers) || numbers.size() != 4 || numbers[2] < 0.5 || numbers[3] < 0.5)
    return Refuse(error, "--scene must be X,Y,W,H with W and H at least 1");
  std::copy(numbers.begin(), numbers.end(), settings->scene);
  settings->hasScene = true;
  return true;
}

bool ParseMagSetting(const std::string& value, RenderSettings* settings, std::string* error) {
  double mag = 0.0;
  if (!ParseNumber(value, &mag) || mag <= 0.0)
    return Refuse(error, "--mag must be a magnification above 0, for example 0.5");
  settings->mag = mag;
  return true;
}

bool ParseTileSetting(const std::string& value, RenderSettings* settings, std::string* error) {
  return parseCount(value, 1, kLargestTile, &settings->tile) ||
         Refuse(error, "--tile must be a tile size from 1 to 65536 pixels");
}

bool ParseThreadsSetting(const std::string& value, RenderSettings* settings, std::string* error) {
  return parseCount(value, 1, kMostThreads, &settings->threads) ||
         Refuse(error, "--threads must be a number from 1 to 256");
}

bool ParseResamplingSetting(const std::string& value, RenderSettings* settings, std::string* error) {
  for (const ResamplingName& entry : kResamplings) {
    if (value == entry.name) {
      settings->resampling = entry.algorithm;
      settings->resamplingName = entry.name;
      return true;
    }
  }
  return Refuse(error, "--resampling must be nearest, bilinear, cubic, cubicspline, lanczos, average or mode");
}

}  // namespace kxhost
