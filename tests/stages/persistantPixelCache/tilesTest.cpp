// The tiles of the persistent pixel cache: the tiles a rectangle touches,
// the grouping of missing tiles into cuts, tile file names, the byte
// content of tile files written from any layout, and the row copies that
// place read tiles.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fakes/sceneWriter.h"
#include "helpers/supportTestDir.h"
#include "stages/persistantPixelCache/cacheChain.h"
#include "stages/persistantPixelCache/kxv_tileCuts.h"
#include "stages/persistantPixelCache/kxv_tileFiles.h"
#include "stages/persistantPixelCache/kxv_tileName.h"

namespace Kelvane {
namespace {

using Fakes::BufferLayout;
using Fakes::OwnedDecodeBuffer;
using Bytes = std::vector<uint8_t>;
using Rects = std::vector<std::vector<double>>;

Scene Rect(double x, double y, double width, double height) { return Scene{x, y, width, height, 1.0}; }

// The tiles of 512 x 512 pixels a rectangle touches, or with snapping only
// those wholly inside it (a tile ending at the image's edge counting as
// whole): first and last row, first and last column, and whether the
// rectangle reaches outside the image.
TEST(TileRange, CoversTheTilesTouchedOrWhollyInsideAndFlagsScenesReachingOutside) {
  const struct {
    Scene rect;
    bool snap;
    uint32_t imageWidth, imageHeight;
    std::vector<int64_t> rowsColumnsOutside;
  } cases[] = {
      // A sliver across a tile edge, and a rectangle past the right edge.
      {Rect(511, 100, 2, 300), false, 1000, 700, {0, 0, 0, 1, 0}},
      {Rect(900, 0, 200, 100), false, 1000, 700, {0, 0, 1, 1, 1}},
      // Nothing: beyond the image, or without area.
      {Rect(1000, 0, 50, 50), false, 1000, 700, {0, -1, 0, -1, 1}},
      {Rect(10, 10, 0, 40), false, 1000, 700, {0, -1, 0, -1, 0}},
      // Snapped: partly covered tiles on every side drop out, edge tiles are
      // whole, one tile holds nothing whole, an edge tile one pixel wide counts.
      {Rect(256, 256, 1100, 1100), true, 2048, 2048, {1, 1, 1, 1, 0}},
      {Rect(512, 512, 488, 188), true, 1000, 700, {1, 1, 1, 1, 0}},
      {Rect(10, 10, 400, 400), true, 1000, 700, {0, -1, 0, -1, 0}},
      {Rect(0, 0, 513, 512), true, 513, 512, {0, 0, 0, 1, 0}},
  };
  for (const auto& c : cases) {
    const KxvTileRange range = computeTileRange(512, 512, c.rect, c.snap, c.imageWidth, c.imageHeight);
    const std::vector<int64_t> found{range.firstRow, range.lastRow, range.firstColumn, range.lastColumn, range.outside};
    EXPECT_EQ(found, c.rowsColumnsOutside) << c.rect.ulx << "," << c.rect.uly;
  }
}

// Merged cuts of a grid with missing tiles where the pattern has an 'x', in 10 x 10 tiles.
Rects MergedCuts(const std::vector<std::string>& pattern) {
  KxvTileGrid grid;
  for (size_t row = 0; row < pattern.size(); ++row) {
    grid.emplace_back(pattern[row].size());
    for (size_t column = 0; column < pattern[row].size(); ++column) {
      if (pattern[row][column] != 'x') continue;
      grid[row][column].rect = Rect(10.0 * column, 10.0 * row, 10, 10);
      grid[row][column].missing = true;
    }
  }
  KxvCutList cuts = formRuns(grid);
  mergeCuts(cuts);
  Rects rects;
  for (const Scene& cut : cuts) rects.push_back({cut.ulx, cut.uly, cut.width, cut.height});
  return rects;
}

// Runs merge when together they fill their bounding rectangle; rows of
// unequal extent stay apart; a later pass merges what an earlier merge made possible.
TEST(Cuts, RunsOfMissingTilesMergeWhenTheyFillTheirBoundingRectangle) {
  EXPECT_EQ(MergedCuts({"xx.x", "xx..", "...."}), (Rects{{0, 0, 20, 20}, {30, 0, 10, 10}}));
  EXPECT_EQ(MergedCuts({"xxx", "xx.", "..x"}), (Rects{{0, 0, 30, 10}, {0, 10, 20, 10}, {20, 20, 10, 10}}));
  EXPECT_EQ(MergedCuts({"x.x", "x.x", "x.x"}), (Rects{{0, 0, 10, 30}, {20, 0, 10, 30}}));
}

TEST(Cuts, NarrowingStopsOnceTheSceneCoversEnoughOfTheMissingArea) {
  // Two 100 x 100 cuts, a 50 x 100 scene across the first: 5000 / 20000 is
  // below 0.3, 5000 / 15000 after narrowing the first cut is not.
  KxvCutList cuts{Rect(0, 0, 100, 100), Rect(100, 0, 100, 100)};
  double missing = 20000;
  narrowCutsToScene(cuts, Rect(50, 0, 50, 100), 0.3, &missing);
  EXPECT_EQ(cuts.front().ulx, 50);
  EXPECT_EQ(cuts.front().width, 50);
  EXPECT_EQ(cuts.back().width, 100);
  EXPECT_EQ(missing, 15000);
}

Bytes FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Level directories are named by -log2 of the magnification; row directories
// and file names by the tile's place, whole extent and sample layout.
TEST(TileNames, NameCarriesLevelPlaceTruncatedExtentAndSampleLayout) {
  EXPECT_EQ(tileLevelText(0.25), "2.000000");
  EXPECT_EQ(tileLevelText(2.0), "-1.000000");
  DecodeBuffer record =
      Fakes::MakeDecodeRecord(Fakes::MakeScene(512, 512, 488.9, 188, 0.5), BufferLayout::Interleaved(1, KX_TYPE_U16));
  record.format.bps = 12;
  EXPECT_STREQ(makeTileFileName(PathString("/cache/"), record, 0, 3).utf8(),
               "/cache/1.000000/0/r0.c3.w488.h188.c4.bps12.smp2.bip.raw");
}

// Whatever the caller's layout, a tile file holds the samples packed and in
// band order; no temporary file stays behind. Read into a window on a larger
// buffer, the tile lands row by row where the window's rows lie, and the
// bytes between the rows keep what they held.
TEST(TileFiles, EveryLayoutIsStoredPackedInBandOrderAndReadBackIntoPaddedRows) {
  SupportTestDir dir;
  KxvTileFiles files;
  const Scene scene = Fakes::MakeScene(0, 0, 20, 10);
  const Fakes::SyntheticImage image{64, 64, 3, nullptr};
  BufferLayout padded = BufferLayout::Interleaved(3, KX_TYPE_U16);
  padded.align = 16;
  padded.rowPadding = 6;
  BufferLayout scattered = BufferLayout::Interleaved(3, KX_TYPE_U16);
  scattered.stride = 4;
  scattered.slots = {2, 0, 1};
  Bytes expected;
  int written = 0;
  for (const BufferLayout& layout :
       {BufferLayout::Interleaved(3, KX_TYPE_U16), padded, scattered, BufferLayout::BandSequential(3, KX_TYPE_U16)}) {
    OwnedDecodeBuffer tile(scene, layout);
    Fakes::WriteSyntheticScene(tile.get(), image, nullptr);
    // The packed layout comes first: its bytes are the file's.
    if (expected.empty()) expected.assign(tile.bytes(), tile.bytes() + tile.byteSize());
    const std::string name = dir / ("0/t" + std::to_string(written++) + ".raw");
    bool done = false;
    EXPECT_EQ(files.writeTileFile(PathString(name.c_str()), tile.record(), &done, nullptr), S_OK);
    EXPECT_TRUE(done);
    EXPECT_EQ(FileBytes(name), expected) << name;
  }
  EXPECT_EQ(FilesBelow(dir.path()).size(), 4u);

  padded.rowPadding = 22;
  padded.fill = 0x5A;
  OwnedDecodeBuffer back(scene, padded), want(scene, padded);
  Fakes::WriteSyntheticScene(want.get(), image, nullptr);
  Bytes scratch;
  ASSERT_EQ(files.readTileFile(PathString((dir / "0/t0.raw").c_str()), back.record(), *back.get(), scratch, nullptr),
            S_OK);
  EXPECT_EQ(Bytes(back.bytes(), back.bytes() + back.byteSize()), Bytes(want.bytes(), want.bytes() + want.byteSize()));
  EXPECT_TRUE(back.guardIntact());
}

}  // namespace
}  // namespace Kelvane
