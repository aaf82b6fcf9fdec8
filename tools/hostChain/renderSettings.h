// What a render is asked for: every setting its options can make, before
// anything is opened. The command line fills it (see renderOptions.h), and so
// can any other list of option names and values (see renderOptionTable.h).
#ifndef KX_HOST_CHAIN_RENDER_SETTINGS_H
#define KX_HOST_CHAIN_RENDER_SETTINGS_H

#include <gdal.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kxhost {

// The persistent pixel cache's settings; each is left to the module when not given.
struct CacheSettings {
  std::string directory;              // --cache DIR; empty: the stage caches nothing
  std::optional<uint32_t> tileWidth;  // --cache-tile WxH
  std::optional<uint32_t> tileHeight;
  std::optional<uint32_t> maxCuts;         // --max-cuts N
  std::optional<double> utility;           // --utility U
  std::optional<double> tileRatio;         // --tile-ratio R
  std::optional<double> maxMagnification;  // --max-mag M
  bool hasMapRect = false;                 // --map-rect X,Y,W,H in map units
  double mapRect[4] = {};
  std::string srs;  // --srs TEXT: the map rectangle's spatial reference (any form GDAL reads)

  // The stage is used for --cache, and for --map-rect (whose decode it
  // performs, with or without a cache directory).
  bool usesStage() const { return !directory.empty() || hasMapRect; }
  // Whether any setting that only a cache directory uses is given.
  bool tuned() const { return tileWidth || maxCuts || utility || tileRatio || maxMagnification; }
};

// --replace FROM=TO: one sample per band of the rendered image on each side.
struct PixelReplacement {
  std::vector<double> from;
  std::vector<double> to;
};

struct RenderSettings {
  std::string image;
  std::string output;
  std::vector<uint32_t> bands;  // from 1, as GDAL's -b; empty: every band
  bool hasScene = false;
  double scene[4] = {};  // x, y, width, height in pixels at the magnification
  double mag = 1.0;
  uint32_t tile = 0;  // 0: one decode of the whole scene
  // Tiles are decoded on as many threads as the machine has cores.
  uint32_t threads = std::max(1u, std::thread::hardware_concurrency());
  GDALRIOResampleAlg resampling = GRIORA_NearestNeighbour;
  std::string resamplingName = "nearest";
  CacheSettings cache;
  std::optional<PixelReplacement> replacement;
  uint32_t rotate = 0;                   // clockwise degrees (90, 180, 270); 0: not turned
  std::optional<std::string> watermark;  // the logo's path; read when the chain is built
};

// Refuses settings that do not combine, each valid on its own; false with a
// one-line reason. Band numbers are checked against the image later, when it
// is open.
bool CheckRenderSettings(const RenderSettings& settings, std::string* error);

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_RENDER_SETTINGS_H
