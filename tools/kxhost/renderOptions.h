// The options of `kxhost render`, checked.
#ifndef KXHOST_RENDER_OPTIONS_H
#define KXHOST_RENDER_OPTIONS_H

#include <gdal.h>

#include <cstdint>
#include <string>
#include <vector>

#include "kxhost/commandLine.h"

namespace kxhost {

struct RenderOptions {
  std::string image;
  std::string output;
  std::vector<uint32_t> bands;  // from 1, as GDAL's -b; empty: every band
  bool hasScene = false;
  double scene[4] = {};  // x, y, width, height in pixels at the magnification
  double mag = 1.0;
  uint32_t tile = 0;  // 0: one decode of the whole scene
  uint32_t threads = 1;
  GDALRIOResampleAlg resampling = GRIORA_NearestNeighbour;
  std::string resamplingName = "nearest";
  uint32_t rotate = 0;  // clockwise degrees (90, 180, 270); 0: not turned
};

// Checks the command line of a render; false with a one-line reason. Band
// numbers are checked against the image later, when it is open.
bool ParseRenderOptions(const CommandLine& line, RenderOptions* options, std::string* error);

}  // namespace kxhost

#endif  // KXHOST_RENDER_OPTIONS_H
