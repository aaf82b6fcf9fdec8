#include "hostChain/renderOptionTable.h"

#include <algorithm>

#include "hostChain/bandsOption.h"
#include "hostChain/cacheOptions.h"
#include "hostChain/optionValues.h"
#include "hostChain/replaceOption.h"
#include "hostChain/rotateOption.h"
#include "hostChain/sceneOptions.h"
#include "hostChain/watermarkOption.h"

namespace kxhost {

const std::vector<RenderOptionRow>& RenderOptionRows() {
  // Name, value, help, required, parse, stage. The rows with a stage are in
  // stacking order; each stage function says why its stage sits where it does.
  static const std::vector<RenderOptionRow> rows = {
      {"output", "OUT", "the image to write: .png, .tif (geo-referenced) or .jpg", true, ParseOutputSetting, nullptr},
      {"bands", "LIST", "bands to render, from 1 as GDAL's -b: the multiband selector", false, ParseBandsSetting,
       AddMultibandSelectorStage},
      {"scene", "X,Y,W,H", "the part to render, in pixels at the magnification", false, ParseSceneSetting, nullptr},
      {"mag", "M", "the magnification, for example 0.5 for half size", false, ParseMagSetting, nullptr},
      {"tile", "N", "decode in NxN tiles instead of at once", false, ParseTileSetting, nullptr},
      {"threads", "N", "threads decoding the tiles (default: one per core)", false, ParseThreadsSetting, nullptr},
      {"resampling", "NAME",
       "reading at other magnifications: nearest, bilinear, cubic, cubicspline, lanczos, average or mode", false,
       ParseResamplingSetting, nullptr},
      {"cache", "DIR", "keep decoded tiles below DIR: the persistent pixel cache", false, ParseCacheDirectorySetting,
       AddPersistentPixelCacheStage},
      {"cache-tile", "WxH", "the cache's tile size (default 512x512)", false, ParseCacheTileSetting, nullptr},
      {"max-cuts", "N", "most parts decoded one by one before the cache decodes the whole scene", false,
       ParseMaxCutsSetting, nullptr},
      {"utility", "U", "least useful share of a tile the cache writes (0: every tile)", false, ParseUtilitySetting,
       nullptr},
      {"tile-ratio", "R", "tiles smaller than this share of the image bypass the cache (0: off)", false,
       ParseTileRatioSetting, nullptr},
      {"max-mag", "M", "scenes at a larger magnification bypass the cache", false, ParseMaxMagSetting, nullptr},
      {"map-rect", "X,Y,W,H", "render a rectangle in map units through the cache's geo decode", false,
       ParseMapRectSetting, nullptr},
      {"srs", "TEXT", "the map rectangle's spatial reference (default: the image's)", false, ParseSrsSetting, nullptr},
      {"replace", "FROM=TO", "turn every pixel FROM into TO: the pixel replacer", false, ParseReplaceSetting,
       AddPixelReplacerStage},
      {"rotate", "90|180|270", "turn the image clockwise: the transposer", false, ParseRotateSetting,
       AddTransposerStage},
      {"watermark", "IMAGE", "stamp IMAGE into each tile's bottom-right corner: the watermarker", false,
       ParseWatermarkSetting, AddWatermarkerStage},
  };
  return rows;
}

std::vector<const RenderOptionRow*> StageRows() {
  std::vector<const RenderOptionRow*> stages;
  for (const RenderOptionRow& row : RenderOptionRows()) {
    if (row.addStage != nullptr) stages.push_back(&row);
  }
  return stages;
}

const RenderOptionRow* FindRenderOption(const std::string& name) {
  for (const RenderOptionRow& row : RenderOptionRows()) {
    if (name == row.name) return &row;
  }
  return nullptr;
}

std::vector<std::string> RenderOptionNames() {
  std::vector<std::string> names;
  for (const RenderOptionRow& row : RenderOptionRows()) names.push_back(row.name);
  return names;
}

bool ParseRenderSetting(const std::string& name, const std::string& value, RenderSettings* settings,
                        std::string* error) {
  // URL query keys spell the option's dashes as underscores.
  std::string spelled = name;
  std::replace(spelled.begin(), spelled.end(), '_', '-');
  const RenderOptionRow* row = FindRenderOption(spelled);
  if (row == nullptr) return Refuse(error, "unknown render option " + name);
  return row->parse(value, settings, error);
}

}  // namespace kxhost
