#include "stages/persistantPixelCache/kxv_tileCuts.h"

#include <algorithm>
#include <iterator>
#include <optional>

namespace Kelvane {

namespace {

Scene boundingScene(const Scene& a, const Scene& b) {
  const double left = std::min(a.ulx, b.ulx);
  const double top = std::min(a.uly, b.uly);
  const double right = std::max(a.ulx + a.width, b.ulx + b.width);
  const double bottom = std::max(a.uly + a.height, b.uly + b.height);
  return Scene{left, top, right - left, bottom - top, a.mag};
}

}  // namespace

KxvCutList formRuns(const KxvTileGrid& grid) {
  KxvCutList cuts;
  for (const std::vector<KxvTileEntry>& row : grid) {
    // A run grows over neighbouring missing tiles of the same top and bottom edges.
    std::optional<Scene> run;
    for (const KxvTileEntry& entry : row) {
      const Scene& tile = entry.rect;
      if (entry.missing && run && run->uly == tile.uly && run->uly + run->height == tile.uly + tile.height) {
        run->width += tile.width;
        continue;
      }
      if (run) cuts.push_back(*run);
      run.reset();
      if (entry.missing) run = tile;
    }
    if (run) cuts.push_back(*run);
  }
  return cuts;
}

void mergeCuts(KxvCutList& cuts) {
  bool merged = true;
  while (merged) {
    merged = false;
    for (auto a = cuts.begin(); a != cuts.end(); ++a) {
      // Each later cut that fills the bounding rectangle together with A joins A.
      for (auto b = std::next(a); b != cuts.end();) {
        const Scene box = boundingScene(*a, *b);
        if (sceneArea(*a) + sceneArea(*b) != sceneArea(box)) {
          ++b;
          continue;
        }
        *a = box;
        b = cuts.erase(b);
        merged = true;
      }
    }
  }
}

void narrowCutsToScene(KxvCutList& cuts, const Scene& scene, double threshold, double* missingArea) {
  const double area = sceneArea(scene);
  for (Scene& cut : cuts) {
    if (*missingArea <= 0.0 || area / *missingArea >= threshold) return;
    Scene overlap;
    if (!intersectScenes(cut, scene, &overlap)) continue;
    *missingArea += sceneArea(overlap) - sceneArea(cut);
    cut = overlap;
  }
}

}  // namespace Kelvane
