// Tile ranges of rectangles and the grouping of missing tiles into cuts.
#include <gtest/gtest.h>

#include <vector>

#include "stages/kxv_persistantPixelCacheCuts.h"

namespace Kelvane {
namespace {

Scene Rect(double x, double y, double width, double height) { return Scene{x, y, width, height, 1.0}; }

std::vector<int64_t> Bounds(const KxvTileRange& range) {
  return {range.firstRow, range.lastRow, range.firstColumn, range.lastColumn};
}

TEST(TileRange, CoversEveryTileTouchedAndFlagsScenesReachingOutside) {
  // The 1000 x 700 image in 512 x 512 tiles.
  KxvTileRange whole = computeTileRange(512, 512, Rect(0, 0, 1000, 700), false, 1000, 700);
  EXPECT_EQ(Bounds(whole), (std::vector<int64_t>{0, 1, 0, 1}));
  EXPECT_FALSE(whole.outside);

  KxvTileRange inner = computeTileRange(512, 512, Rect(511, 100, 2, 300), false, 1000, 700);
  EXPECT_EQ(Bounds(inner), (std::vector<int64_t>{0, 0, 0, 1}));

  KxvTileRange beyondRight = computeTileRange(512, 512, Rect(900, 0, 200, 100), false, 1000, 700);
  EXPECT_EQ(Bounds(beyondRight), (std::vector<int64_t>{0, 0, 1, 1}));
  EXPECT_TRUE(beyondRight.outside);

  for (const Scene& away : {Rect(1000, 0, 50, 50), Rect(-60, -60, 50, 50), Rect(10, 10, 0, 40)}) {
    const KxvTileRange none = computeTileRange(512, 512, away, false, 1000, 700);
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(Bounds(none), (std::vector<int64_t>{0, -1, 0, -1}));
  }
  EXPECT_TRUE(computeTileRange(512, 512, Rect(1000, 0, 50, 50), false, 1000, 700).outside);
}

TEST(TileRange, SnappingKeepsOnlyWholeTilesAndTilesEndingAtTheImageEdge) {
  // Partly covered tiles on every side drop out.
  EXPECT_EQ(Bounds(computeTileRange(100, 100, Rect(50, 50, 300, 300), true, 1000, 1000)),
            (std::vector<int64_t>{1, 2, 1, 2}));
  // The edge tiles of a 1000 x 700 image count as whole.
  EXPECT_EQ(Bounds(computeTileRange(512, 512, Rect(512, 512, 488, 188), true, 1000, 700)),
            (std::vector<int64_t>{1, 1, 1, 1}));
  // Inside one tile there is nothing whole.
  EXPECT_TRUE(computeTileRange(512, 512, Rect(10, 10, 400, 400), true, 1000, 700).empty());
  // An edge tile one pixel wide is still a tile.
  EXPECT_EQ(Bounds(computeTileRange(512, 512, Rect(0, 0, 513, 512), true, 513, 512)),
            (std::vector<int64_t>{0, 0, 0, 1}));
}

// A grid with missing tiles where `pattern` has an 'x', in 10 x 10 tiles.
KxvTileGrid Grid(const std::vector<std::string>& pattern) {
  KxvTileGrid grid;
  for (size_t row = 0; row < pattern.size(); ++row) {
    grid.emplace_back(pattern[row].size());
    for (size_t column = 0; column < pattern[row].size(); ++column) {
      if (pattern[row][column] != 'x') continue;
      grid[row][column].rect = Rect(10.0 * column, 10.0 * row, 10, 10);
      grid[row][column].missing = true;
    }
  }
  return grid;
}

std::vector<std::vector<double>> Rects(const KxvCutList& cuts) {
  std::vector<std::vector<double>> rects;
  for (const Scene& cut : cuts) rects.push_back({cut.ulx, cut.uly, cut.width, cut.height});
  return rects;
}

TEST(Cuts, RunsOfMissingTilesMergeWhenTheyFillTheirBoundingRectangle) {
  KxvCutList cuts = formRuns(Grid({"xx.x", "xx..", "...."}));
  EXPECT_EQ(Rects(cuts), (std::vector<std::vector<double>>{{0, 0, 20, 10}, {30, 0, 10, 10}, {0, 10, 20, 10}}));
  mergeCuts(cuts);
  EXPECT_EQ(Rects(cuts), (std::vector<std::vector<double>>{{0, 0, 20, 20}, {30, 0, 10, 10}}));

  // Rows of unequal extent stay apart; a later pass merges what an earlier merge made possible.
  KxvCutList staggered = formRuns(Grid({"xxx", "xx.", "..x"}));
  mergeCuts(staggered);
  EXPECT_EQ(Rects(staggered), (std::vector<std::vector<double>>{{0, 0, 30, 10}, {0, 10, 20, 10}, {20, 20, 10, 10}}));
  KxvCutList columns = formRuns(Grid({"x.x", "x.x", "x.x"}));
  mergeCuts(columns);
  EXPECT_EQ(Rects(columns), (std::vector<std::vector<double>>{{0, 0, 10, 30}, {20, 0, 10, 30}}));
}

TEST(Cuts, NarrowingStopsOnceTheSceneCoversEnoughOfTheMissingArea) {
  // Two 100 x 100 cuts, a 50 x 100 scene across the first: ratio 5000 / 20000.
  KxvCutList cuts{Rect(0, 0, 100, 100), Rect(100, 0, 100, 100)};
  double missing = 20000;
  narrowCutsToScene(cuts, Rect(50, 0, 50, 100), 0.3, &missing);
  EXPECT_EQ(Rects(cuts), (std::vector<std::vector<double>>{{50, 0, 50, 100}, {100, 0, 100, 100}}));
  EXPECT_EQ(missing, 15000);

  KxvCutList untouched{Rect(0, 0, 100, 100)};
  double enough = 10000;
  narrowCutsToScene(untouched, Rect(0, 0, 60, 100), 0.5, &enough);
  EXPECT_EQ(Rects(untouched), (std::vector<std::vector<double>>{{0, 0, 100, 100}}));
}

}  // namespace
}  // namespace Kelvane
