#include <gtest/gtest.h>

#include <limits>
#include <tuple>

#include "content/kxv_geoNavigator.h"

namespace Kelvane {
namespace {

constexpr uint32_t kPartialAnyMag = KX_CAP_PARTIAL_SCENE | KX_CAP_ANY_MAG;
constexpr uint32_t kAnywhere = kPartialAnyMag | KX_CAP_OUTSIDE_IMAGE;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// A navigator that has been given a source of that size, capability and range.
template <typename Navigator = KxvNavigator>
Navigator NavigatorOver(uint32_t width, uint32_t height, uint32_t flags, double minMag, double maxMag) {
  RasterProps props;
  props.width = width;
  props.height = height;
  props.flags = flags;
  props.minMag = minMag;
  props.maxMag = maxMag;
  Navigator nav;
  nav.SetProps(props);
  return nav;
}

void ExpectRect(const KxvRect& actual, double x, double y, double width, double height) {
  EXPECT_NEAR(actual.x, x, 1e-9);
  EXPECT_NEAR(actual.y, y, 1e-9);
  EXPECT_NEAR(actual.width, width, 1e-9);
  EXPECT_NEAR(actual.height, height, 1e-9);
}

TEST(NavigatorTest, ConvertsPointsBetweenSpaces) {
  KxvNavigator nav = NavigatorOver(1000, 500, kPartialAnyMag, 0.125, 1.0);
  EXPECT_DOUBLE_EQ(nav.GetMag(), 0.125);
  ASSERT_TRUE(nav.SetMag(0.5, KXV_SPACE_FRACTION, KXV_OCTAVE_THRESHOLD));
  const KxvPoint fraction = nav.ToFractions(KxvPoint{250, 100}, KXV_SPACE_IMAGE);
  EXPECT_DOUBLE_EQ(fraction.x, 0.25);
  EXPECT_DOUBLE_EQ(fraction.y, 0.2);
  EXPECT_DOUBLE_EQ(nav.FromFractions(fraction, KXV_SPACE_MAG).x, 125);
  EXPECT_DOUBLE_EQ(nav.FromFractions(fraction, KXV_SPACE_MAG).y, 50);
  // Scene-relative pixels count from the scene's corner, here (0.2, 0.2).
  ASSERT_TRUE(nav.SetScene(KxvRect{100, 50, 200, 100}, KXV_SPACE_MAG));
  EXPECT_DOUBLE_EQ(nav.FromFractions(fraction, KXV_SPACE_SCENE).x, 25);
  EXPECT_DOUBLE_EQ(nav.ToFractions(KxvPoint{0, 0}, KXV_SPACE_SCENE).y, 0.2);
}

TEST(NavigatorTest, SnapsSceneToWholePixelsKeepingFarEdges) {
  KxvNavigator nav = NavigatorOver(100, 100, kAnywhere, 1.0, 1.0);
  ASSERT_TRUE(nav.SetScene(KxvRect{10.4, 5.6, 20.3, 10.2}, KXV_SPACE_MAG));
  ExpectRect(nav.GetScene(KXV_SPACE_MAG, true), 11, 6, 20, 10);
  ExpectRect(nav.GetScene(KXV_SPACE_FRACTION, true), 0.104, 0.056, 0.203, 0.102);
  DecodeBuffer buffer;
  nav.GetSceneInto(buffer, KXV_SPACE_MAG, true);
  EXPECT_EQ(buffer.scene.ulx, 11);
  EXPECT_EQ(buffer.scene.mag, 1.0);
}

TEST(NavigatorTest, SnapsAndClampsMagnificationsByCapability) {
  // Flags, requested magnification, magnification reached, over the range 0.125 to 1.0.
  const std::tuple<uint32_t, double, double> cases[] = {
      {KX_CAP_POW2_MAG, 0.3, 0.25},  {KX_CAP_POW2_MAG, 0.36, 0.5},    {KX_CAP_POW2_MAG, 0.05, 0.125},
      {KX_CAP_POW2_MAG, 4.0, 1.0},   {KX_CAP_POW2_MAG, 0.125, 0.125}, {KX_CAP_ANY_MAG, 0.3, 0.3},
      {KX_CAP_ANY_MAG, 0.01, 0.125}, {KX_CAP_ANY_MAG, 4.0, 1.0},      {0, 0.3, 1.0},
  };
  for (const auto& [flags, requested, reached] : cases) {
    KxvNavigator nav = NavigatorOver(1000, 500, flags, 0.125, 1.0);
    nav.SetMag(1.0, KXV_SPACE_FRACTION, KXV_OCTAVE_THRESHOLD);
    EXPECT_TRUE(nav.SetMag(requested, KXV_SPACE_FRACTION, KXV_OCTAVE_THRESHOLD));
    EXPECT_DOUBLE_EQ(nav.GetMag(), reached) << "flags " << flags << " requested " << requested;
  }
  // A top limit between octaves gives the octave below it, never one above.
  KxvNavigator capped = NavigatorOver(1000, 500, KX_CAP_POW2_MAG, 0.125, 0.3);
  EXPECT_TRUE(capped.SetMag(1.0, KXV_SPACE_FRACTION, KXV_OCTAVE_THRESHOLD));
  EXPECT_DOUBLE_EQ(capped.GetMag(), 0.25);
}

TEST(NavigatorTest, SetMagKeepsTheSceneInItsAnchorSpace) {
  KxvNavigator nav = NavigatorOver(1000, 500, kAnywhere, 0.125, 1.0);
  nav.SetMag(1.0, KXV_SPACE_FRACTION, KXV_OCTAVE_THRESHOLD);
  ASSERT_TRUE(nav.SetScene(KxvRect{400, 200, 200, 100}, KXV_SPACE_MAG));
  // Centre anchor: the same pixel size around the same image point.
  ASSERT_TRUE(nav.SetMag(0.5, KXV_SPACE_SCENE, KXV_OCTAVE_THRESHOLD));
  ExpectRect(nav.GetScene(KXV_SPACE_MAG, false), 150, 75, 200, 100);
  // Pixel anchor: the same rectangle in pixels now covers more of the image.
  ASSERT_TRUE(nav.SetMag(0.25, KXV_SPACE_MAG, KXV_OCTAVE_THRESHOLD));
  ExpectRect(nav.GetScene(KXV_SPACE_IMAGE, false), 600, 300, 800, 400);
}

TEST(NavigatorTest, SceneStaysWholeImageWithoutPartialSceneCapability) {
  KxvNavigator nav = NavigatorOver(1000, 500, KX_CAP_ANY_MAG, 0.125, 1.0);
  EXPECT_TRUE(nav.SetScene(KxvRect{10, 10, 20, 20}, KXV_SPACE_IMAGE));
  EXPECT_TRUE(nav.MoveScene(30, 30, KXV_SPACE_IMAGE));
  EXPECT_TRUE(nav.SetSceneSize(20, 20, KXV_SPACE_IMAGE));
  EXPECT_TRUE(nav.SetMag(0.5, KXV_SPACE_SCENE, KXV_OCTAVE_THRESHOLD));
  ExpectRect(nav.GetScene(KXV_SPACE_MAG, false), 0, 0, 500, 250);
}

TEST(NavigatorTest, ClipsScenesToTheImageUnlessOutsideIsAccepted) {
  KxvNavigator nav = NavigatorOver(1000, 500, kPartialAnyMag, 1.0, 1.0);
  ASSERT_TRUE(nav.SetScene(KxvRect{0, 0, 200, 100}, KXV_SPACE_IMAGE));
  ASSERT_TRUE(nav.ClipScene(KxvRect{50, 20, 100, 1000}, KXV_SPACE_IMAGE));
  ExpectRect(nav.GetScene(KXV_SPACE_IMAGE, false), 50, 20, 100, 80);
  ASSERT_TRUE(nav.MoveScene(900, 0, KXV_SPACE_IMAGE));
  ExpectRect(nav.GetScene(KXV_SPACE_IMAGE, false), 950, 20, 50, 80);
  ASSERT_TRUE(nav.MoveScene(100, 0, KXV_SPACE_IMAGE));
  ExpectRect(nav.GetScene(KXV_SPACE_IMAGE, false), 0, 0, 0, 0);

  KxvNavigator outside = NavigatorOver(1000, 500, kAnywhere, 1.0, 1.0);
  ASSERT_TRUE(outside.SetScene(KxvRect{-50, 0, 200, 100}, KXV_SPACE_IMAGE));
  ExpectRect(outside.GetScene(KXV_SPACE_IMAGE, false), -50, 0, 200, 100);
}

TEST(NavigatorTest, FitSceneZoomsCentresAndReportsLimits) {
  KxvNavigator nav = NavigatorOver(1000, 500, kAnywhere, 0.125, 1.0);
  nav.SetMag(1.0, KXV_SPACE_FRACTION, KXV_OCTAVE_THRESHOLD);
  ASSERT_TRUE(nav.SetSceneSize(200, 100, KXV_SPACE_MAG));
  EXPECT_FALSE(nav.FitScene(KxvRect{100, 100, 400, 200}, KXV_SPACE_IMAGE, KXV_OCTAVE_THRESHOLD));
  EXPECT_DOUBLE_EQ(nav.GetMag(), 0.5);
  ExpectRect(nav.GetScene(KXV_SPACE_IMAGE, false), 100, 100, 400, 200);
  EXPECT_DOUBLE_EQ(nav.GetSceneCentre(KXV_SPACE_IMAGE).x, 300);
  // Too small a rectangle holds the magnification at the top, too large a one at the bottom.
  EXPECT_TRUE(nav.FitScene(KxvRect{0, 0, 50, 25}, KXV_SPACE_IMAGE, KXV_OCTAVE_THRESHOLD));
  ExpectRect(nav.GetScene(KXV_SPACE_IMAGE, false), -75, -37.5, 200, 100);
  EXPECT_TRUE(nav.FitScene(KxvRect{0, 0, 100000, 50000}, KXV_SPACE_IMAGE, KXV_OCTAVE_THRESHOLD));
  EXPECT_DOUBLE_EQ(nav.GetMag(), 0.125);
}

TEST(NavigatorTest, RefusesBadNumbersAndLeavesTheStateAlone) {
  KxvNavigator nav = NavigatorOver(1000, 500, kPartialAnyMag, 0.125, 1.0);
  ASSERT_TRUE(nav.SetScene(KxvRect{10, 10, 20, 10}, KXV_SPACE_MAG));
  for (double mag : {kNaN, kInf, 0.0, -0.5}) EXPECT_FALSE(nav.SetMag(mag, KXV_SPACE_SCENE, KXV_OCTAVE_THRESHOLD));
  EXPECT_FALSE(nav.SetMag(0.5, 7, KXV_OCTAVE_THRESHOLD));
  EXPECT_FALSE(nav.SetScene(KxvRect{kNaN, 0, 10, 10}, KXV_SPACE_IMAGE));
  EXPECT_FALSE(nav.SetSceneSize(-0.5, 0.5, KXV_SPACE_FRACTION));
  EXPECT_FALSE(nav.MoveScene(kInf, 0, KXV_SPACE_IMAGE));
  EXPECT_FALSE(nav.FitScene(KxvRect{0, 0, 100, 0}, KXV_SPACE_IMAGE, KXV_OCTAVE_THRESHOLD));
  EXPECT_DOUBLE_EQ(nav.GetMag(), 0.125);
  ExpectRect(nav.GetScene(KXV_SPACE_MAG, false), 10, 10, 20, 10);
  // An emptied scene cannot be fitted: the zoom would be zero.
  ASSERT_TRUE(nav.ClipScene(KxvRect{2, 2, 1, 1}, KXV_SPACE_FRACTION));
  EXPECT_FALSE(nav.FitScene(KxvRect{0, 0, 100, 100}, KXV_SPACE_IMAGE, KXV_OCTAVE_THRESHOLD));
  EXPECT_DOUBLE_EQ(nav.GetMag(), 0.125);
}

TEST(NavigatorTest, DegenerateSourceDescriptionsGiveDefinedResults) {
  // A zero-width image maps every column to fraction 0.
  KxvNavigator empty = NavigatorOver(0, 500, kPartialAnyMag, 0.125, 1.0);
  EXPECT_EQ(empty.ToFractions(KxvPoint{250, 100}, KXV_SPACE_MAG).x, 0);
  EXPECT_EQ(empty.GetScene(KXV_SPACE_MAG, true).width, 0);
  // Limits that are not positive finite numbers do not limit.
  KxvNavigator unranged = NavigatorOver(1000, 500, KX_CAP_ANY_MAG, kNaN, 0.0);
  EXPECT_DOUBLE_EQ(unranged.GetMag(), 1.0);
  EXPECT_TRUE(unranged.SetMag(3.0, KXV_SPACE_FRACTION, KXV_OCTAVE_THRESHOLD));
  EXPECT_DOUBLE_EQ(unranged.GetMag(), 3.0);
  // Rounding up to the next octave would overflow to infinity.
  KxvNavigator octaves = NavigatorOver(1000, 500, KX_CAP_POW2_MAG, 0.0, 0.0);
  EXPECT_FALSE(octaves.SetMag(1.7e308, KXV_SPACE_FRACTION, KXV_OCTAVE_THRESHOLD));
}

TEST(GeoNavigatorTest, MapRectanglesRunInEitherAxisDirection) {
  // North-up: y falls from the origin at the image's top edge.
  KxvGeoNavigator northUp = NavigatorOver<KxvGeoNavigator>(1000, 500, kPartialAnyMag, 1.0, 1.0);
  KxvGeoNavigator southUp = northUp;
  ASSERT_TRUE(northUp.SetGeoDomain(GeoDomain{0, 500, 1, -1}));
  ASSERT_TRUE(southUp.SetGeoDomain(GeoDomain{0, 0, 1, 1}));
  ASSERT_TRUE(northUp.SetScene(KxvRect{100, 400, 50, 100}, KXV_SPACE_MAP));
  ASSERT_TRUE(southUp.SetScene(KxvRect{100, 100, 50, 100}, KXV_SPACE_MAP));
  ExpectRect(northUp.GetScene(KXV_SPACE_FRACTION, false), 0.1, 0.2, 0.05, 0.2);
  ExpectRect(southUp.GetScene(KXV_SPACE_FRACTION, false), 0.1, 0.2, 0.05, 0.2);
  // Read back in map space the scene keeps the map's direction.
  ExpectRect(northUp.GetScene(KXV_SPACE_MAP, false), 100, 400, 50, 100);
}

TEST(GeoNavigatorTest, FitsABufferOntoAMapRectangle) {
  // 400 x 200 map units at 2 units per pixel shown in a 100 x 50 buffer: magnification 0.5.
  KxvGeoNavigator nav = NavigatorOver<KxvGeoNavigator>(1000, 500, kPartialAnyMag, 0.125, 1.0);
  ASSERT_TRUE(nav.SetSceneSize(100, 50, KXV_SPACE_MAG));
  ASSERT_TRUE(nav.SetGeoDomain(GeoDomain{1000, 2000, 2, -2}));
  const GeoDomain mapRect{1200, 1800, 400, 200};
  EXPECT_FALSE(nav.FitMap(mapRect));
  ASSERT_TRUE(nav.SetScene(KxvRectFromMap(mapRect), KXV_SPACE_MAP));
  DecodeBuffer buffer;
  nav.GetSceneInto(buffer, KXV_SPACE_MAG, true);
  EXPECT_DOUBLE_EQ(buffer.scene.mag, 0.5);
  ExpectRect(KxvRect{buffer.scene.ulx, buffer.scene.uly, buffer.scene.width, buffer.scene.height}, 50, 50, 100, 50);
}

TEST(GeoNavigatorTest, UnusableDomainsGiveDefinedResults) {
  KxvGeoNavigator nav = NavigatorOver<KxvGeoNavigator>(1000, 500, kPartialAnyMag, 1.0, 1.0);
  EXPECT_FALSE(nav.SetGeoDomain(GeoDomain{0, 0, kInf, 1}));
  // Zero resolution (a domain never filled in) puts every map point at the
  // origin, so a map rectangle has no area and cannot be fitted.
  ASSERT_TRUE(nav.SetGeoDomain(GeoDomain{}));
  EXPECT_EQ(nav.ToFractions(KxvPoint{500, 500}, KXV_SPACE_MAP).y, 0);
  EXPECT_FALSE(nav.FitMap(GeoDomain{0, 0, 100, 100}));
  EXPECT_DOUBLE_EQ(nav.GetMag(), 1.0);
}

}  // namespace
}  // namespace Kelvane
