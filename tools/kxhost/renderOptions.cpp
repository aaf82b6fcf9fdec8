#include "kxhost/renderOptions.h"

#include <algorithm>
#include <cmath>
#include <thread>

#include "kxhost/cacheOptions.h"
#include "kxhost/commands.h"
#include "kxhost/rotateOption.h"

namespace kxhost {

namespace {

constexpr const char* kUsage =
    "render IMAGE -o OUT [--bands LIST] [--scene X,Y,W,H] [--mag M] [--tile N] [--threads N] [--resampling NAME] "
    "[--replace FROM=TO] [--rotate 90|180|270] [--watermark IMAGE]";
constexpr uint64_t kLargestTile = 1u << 16;
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

bool parseBands(const std::string& text, std::vector<uint32_t>* bands) {
  std::vector<double> numbers;
  if (!ParseNumberList(text, &numbers)) return false;
  for (double number : numbers) {
    if (number < 1.0 || number > 65536.0 || number != std::floor(number)) return false;
    bands->push_back(static_cast<uint32_t>(number));
  }
  return bands->size() <= 256;
}

bool parseScene(const std::string& text, RenderOptions* options) {
  std::vector<double> numbers;
  if (!ParseNumberList(text, &numbers) || numbers.size() != 4 || numbers[2] < 0.5 || numbers[3] < 0.5) return false;
  for (int i = 0; i < 4; ++i) options->scene[i] = numbers[static_cast<size_t>(i)];
  options->hasScene = true;
  return true;
}

bool parseResampling(const std::string& text, GDALRIOResampleAlg* algorithm) {
  for (const ResamplingName& entry : kResamplings) {
    if (text == entry.name) {
      *algorithm = entry.algorithm;
      return true;
    }
  }
  return false;
}

bool parseCount(const CommandLine& line, const char* name, uint64_t low, uint64_t high, uint32_t* value) {
  uint64_t parsed = *value;
  if (line.has(name) && !ParseUnsigned(line.value(name, ""), low, high, &parsed)) return false;
  *value = static_cast<uint32_t>(parsed);
  return true;
}

// A failed check: the reason, and false.
bool refuse(std::string* error, const std::string& reason) {
  *error = reason;
  return false;
}

}  // namespace

bool ParseRenderOptions(const CommandLine& line, RenderOptions* options, std::string* error) {
  std::vector<std::string> allowed = {"output", "bands", "scene", "mag", "tile", "threads", "resampling", "rotate"};
  allowed.insert(allowed.end(), CacheOptionNames().begin(), CacheOptionNames().end());
  allowed.push_back("replace");
  allowed.push_back("watermark");
  if (!CheckOptions(line, allowed, error) || !ExpectOperands(line, 1, kUsage, error)) return false;
  RenderOptions parsed;
  parsed.image = line.operands[0];
  parsed.output = line.value("output", "");
  if (parsed.output.empty()) return refuse(error, std::string("usage: kxhost ") + kUsage);
  if (line.has("bands") && !parseBands(line.value("bands", ""), &parsed.bands))
    return refuse(error, "--bands must list up to 256 band numbers from 1, for example 3,2,1");
  if (line.has("scene") && !parseScene(line.value("scene", ""), &parsed))
    return refuse(error, "--scene must be X,Y,W,H with W and H at least 1");
  if (line.has("mag") && (!ParseNumber(line.value("mag", ""), &parsed.mag) || parsed.mag <= 0.0))
    return refuse(error, "--mag must be a magnification above 0, for example 0.5");
  // Threads default to the machine's cores.
  parsed.threads = std::max(1u, std::thread::hardware_concurrency());
  if (!parseCount(line, "tile", 1, kLargestTile, &parsed.tile))
    return refuse(error, "--tile must be a tile size from 1 to 65536 pixels");
  if (!parseCount(line, "threads", 1, kMostThreads, &parsed.threads))
    return refuse(error, "--threads must be a number from 1 to 256");
  if (line.has("resampling") && !parseResampling(line.value("resampling", ""), &parsed.resampling))
    return refuse(error, "--resampling must be nearest, bilinear, cubic, cubicspline, lanczos, average or mode");
  parsed.resamplingName = line.value("resampling", parsed.resamplingName);
  if (!ParseRotateOption(line, &parsed.rotate, error)) return false;
  *options = std::move(parsed);
  return true;
}

}  // namespace kxhost
