// The tile server's request targets and tile scheme: every malformed target
// is refused as malformed (400) rather than looked up, unknown paths are not
// found (404), and the levels, tile counts and scenes follow the image.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tileServer/tileEtag.h"
#include "tileServer/tileRequest.h"
#include "tileServer/tileScheme.h"

namespace kxhost::testing {
namespace {

struct TargetCase {
  std::string target;
  RequestKind kind;
  int status;  // for refused targets
};

TEST(TileRequest, MalformedTargetsAreRefusedAndGoodOnesParsed) {
  const std::string longPath = "/tiles/1/0/0.png?bands=" + std::string(2100, '1');
  const std::vector<TargetCase> cases = {
      {"/", RequestKind::Page, 0},
      {"/?bands=3,2,1", RequestKind::Page, 0},
      {"/info.json?rotate=90&watermark=off", RequestKind::Info, 0},
      {"/tiles/0/0/0.png", RequestKind::Tile, 0},
      {"/tiles/3/1/2.png?bands=3,2,1&rotate=270&watermark=on", RequestKind::Tile, 0},
      {"/tiles/2147483647/2147483647/0.png", RequestKind::Tile, 0},
      {"/tiles/1/0/0.png?bands=3%2C2%2c1&%72otate=90", RequestKind::Tile, 0},
      {"/leaflet/leaflet.js", RequestKind::LeafletAsset, 0},
      {"/leaflet/images/marker-icon-2x.png", RequestKind::LeafletAsset, 0},
      // Malformed numbers.
      {"/tiles/-1/0/0.png", RequestKind::Refused, 400},
      {"/tiles/+1/0/0.png", RequestKind::Refused, 400},
      {"/tiles/1/a/0.png", RequestKind::Refused, 400},
      {"/tiles/1/0/0x1.png", RequestKind::Refused, 400},
      {"/tiles/01/0/0.png", RequestKind::Refused, 400},
      {"/tiles/1/2147483648/0.png", RequestKind::Refused, 400},
      {"/tiles/1/0/99999999999999999999.png", RequestKind::Refused, 400},
      {"/tiles/1/0/.png", RequestKind::Refused, 400},
      {"/tiles/1/0/1e3.png", RequestKind::Refused, 400},
      // Escapes, dot segments, odd characters and length.
      {"/tiles/1/0%2F0.png", RequestKind::Refused, 400},
      {"/tiles/1/%30/0.png", RequestKind::Refused, 400},
      {"/tiles/../info.json", RequestKind::Refused, 400},
      {"/leaflet/./leaflet.js", RequestKind::Refused, 400},
      {"/leaflet/images/../../../etc/passwd", RequestKind::Refused, 400},
      {"/tiles//1/0/0.png", RequestKind::Refused, 400},
      {"/tiles/1/0/0.png\\", RequestKind::Refused, 400},
      {"/tiles/1/0/ 0.png", RequestKind::Refused, 400},
      {std::string("/tiles/1/0/0.png\0", 17), RequestKind::Refused, 400},
      {"tiles/1/0/0.png", RequestKind::Refused, 400},
      {"", RequestKind::Refused, 400},
      {longPath, RequestKind::Refused, 400},
      // Queries.
      {"/tiles/1/0/0.png?size=3", RequestKind::Refused, 400},
      {"/tiles/1/0/0.png?rotate=90&rotate=90", RequestKind::Refused, 400},
      {"/tiles/1/0/0.png?rotate=45", RequestKind::Refused, 400},
      {"/tiles/1/0/0.png?bands=0", RequestKind::Refused, 400},
      {"/tiles/1/0/0.png?bands=", RequestKind::Refused, 400},
      {"/tiles/1/0/0.png?watermark=yes", RequestKind::Refused, 400},
      {"/tiles/1/0/0.png?bands=3%2", RequestKind::Refused, 400},
      {"/tiles/1/0/0.png?bands=3%2G1", RequestKind::Refused, 400},
      {"/tiles/1/0/0.png?bands=3%00", RequestKind::Refused, 400},
      {"/tiles/1/0/0.png?rotate=90&%72otate=90", RequestKind::Refused, 400},
      {"/tiles/1/0/0.png?rotate", RequestKind::Refused, 400},
      {"/tiles/1/0/0.png?&rotate=90", RequestKind::Refused, 400},
      {"/info.json?=1", RequestKind::Refused, 400},
      // Well formed, but nothing there.
      {"/tiles/1/0/0.jpg", RequestKind::Refused, 404},
      {"/tiles/1/0.png", RequestKind::Refused, 404},
      {"/tiles/1/0/0/0.png", RequestKind::Refused, 404},
      {"/leaflet/leaflet.min.js", RequestKind::Refused, 404},
      {"/leaflet/images/other.png", RequestKind::Refused, 404},
      {"/info.json/", RequestKind::Refused, 400},
      {"/info.json/x", RequestKind::Refused, 404},
      {"/etc/passwd", RequestKind::Refused, 404},
  };
  for (const TargetCase& c : cases) {
    const TileRequest request = ParseRequestTarget(c.target);
    EXPECT_EQ(request.kind, c.kind) << c.target.substr(0, 80);
    if (c.kind == RequestKind::Refused) {
      EXPECT_EQ(request.status, c.status) << c.target.substr(0, 80);
      EXPECT_FALSE(request.reason.empty());
    }
  }

  // What a good tile target carries.
  const TileRequest tile = ParseRequestTarget("/tiles/3/1/2.png?bands=3,2,1&rotate=270&watermark=off");
  EXPECT_EQ(tile.z, 3u);
  EXPECT_EQ(tile.x, 1u);
  EXPECT_EQ(tile.y, 2u);
  EXPECT_EQ(tile.view.bands, (std::vector<uint32_t>{3, 2, 1}));
  EXPECT_EQ(tile.view.rotate, 270u);
  EXPECT_FALSE(tile.view.watermark);
  EXPECT_EQ(ParseRequestTarget("/leaflet/images/layers.png").asset, "images/layers.png");
  EXPECT_EQ(ParseRequestTarget("/info.json?bands=4%2C1").view.bands, (std::vector<uint32_t>{4, 1}));
}

TEST(TileScheme, LevelsTileCountsAndScenesFollowTheImage) {
  // The first level at full size holds the longer side; level 0 one tile.
  EXPECT_EQ(TileScheme(256, 256).maxZoom(), 0u);
  EXPECT_EQ(TileScheme(257, 10).maxZoom(), 1u);
  EXPECT_EQ(TileScheme(10, 1024).maxZoom(), 2u);
  EXPECT_EQ(TileScheme(1, 1).maxZoom(), 0u);
  EXPECT_EQ(TileScheme(4000000000u, 1).maxZoom(), 24u);

  const TileScheme scheme(600, 400);
  ASSERT_EQ(scheme.maxZoom(), 2u);
  EXPECT_DOUBLE_EQ(scheme.magnification(0), 0.25);
  EXPECT_DOUBLE_EQ(scheme.magnification(2), 1.0);
  // 150 x 100, 300 x 200 and 600 x 400 pixels.
  EXPECT_EQ(scheme.columns(0), 1u);
  EXPECT_EQ(scheme.rows(0), 1u);
  EXPECT_EQ(scheme.columns(1), 2u);
  EXPECT_EQ(scheme.rows(1), 1u);
  EXPECT_EQ(scheme.columns(2), 3u);
  EXPECT_EQ(scheme.rows(2), 2u);
  EXPECT_TRUE(scheme.contains(2, 2, 1));
  EXPECT_FALSE(scheme.contains(2, 3, 1));
  EXPECT_FALSE(scheme.contains(2, 2, 2));
  EXPECT_FALSE(scheme.contains(3, 0, 0));
  EXPECT_EQ(scheme.columns(3), 0u);

  // An odd side at half size rounds up: a scaled pixel covering any part counts.
  EXPECT_EQ(TileScheme(513, 2).columns(1), 2u);

  const Scene scene = scheme.sceneOf(1, 1, 0);
  EXPECT_DOUBLE_EQ(scene.ulx, 256.0);
  EXPECT_DOUBLE_EQ(scene.uly, 0.0);
  EXPECT_DOUBLE_EQ(scene.width, 256.0);
  EXPECT_DOUBLE_EQ(scene.height, 256.0);
  EXPECT_DOUBLE_EQ(scene.mag, 0.5);
}

TEST(TileEtag, DiffersForAnotherSourceOrTileAndMatchesInLists) {
  const std::string tag = TileEtag("path a\nsize 10\nmodified 1.0", 2, 1, 0);
  EXPECT_EQ(tag.front(), '"');
  EXPECT_EQ(tag.back(), '"');
  EXPECT_EQ(tag, TileEtag("path a\nsize 10\nmodified 1.0", 2, 1, 0));
  EXPECT_NE(tag, TileEtag("path a\nsize 10\nmodified 2.0", 2, 1, 0));
  EXPECT_NE(tag, TileEtag("path a\nsize 10\nmodified 1.0", 2, 0, 1));
  EXPECT_NE(tag, TileEtag("path a\nsize 10\nmodified 1.0", 21, 0, 0));
  EXPECT_TRUE(EtagMatches(tag, tag));
  EXPECT_TRUE(EtagMatches("\"x\", " + tag, tag));
  EXPECT_TRUE(EtagMatches("W/" + tag, tag));
  EXPECT_TRUE(EtagMatches("*", tag));
  EXPECT_FALSE(EtagMatches("\"x\"", tag));
  EXPECT_FALSE(EtagMatches(tag.substr(1), tag));
}

}  // namespace
}  // namespace kxhost::testing
