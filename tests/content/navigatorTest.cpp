// The navigator's conversions between spaces, and how it applies a source's
// capabilities and refuses bad numbers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>
#include <tuple>
#include <vector>

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
  EXPECT_THAT((std::vector<double>{actual.x, actual.y, actual.width, actual.height}),
              ::testing::Pointwise(::testing::DoubleNear(1e-9), std::vector<double>{x, y, width, height}));
}

// Points convert between image, fraction, magnified and scene pixels; SetMag keeps the scene in its anchor space.
TEST(NavigatorConversions, PointsConvertBetweenSpacesAndTheSceneKeepsItsAnchorSpace) {
  KxvNavigator nav = NavigatorOver(1000, 500, kAnywhere, 0.125, 1.0);
  EXPECT_DOUBLE_EQ(nav.GetMag(), 0.125);
  ASSERT_TRUE(nav.SetMag(0.5, KXV_SPACE_FRACTION, KXV_OCTAVE_THRESHOLD));
  const KxvPoint fraction = nav.ToFractions(KxvPoint{250, 100}, KXV_SPACE_IMAGE);
  EXPECT_DOUBLE_EQ(fraction.x, 0.25);
  EXPECT_DOUBLE_EQ(fraction.y, 0.2);
  EXPECT_DOUBLE_EQ(nav.FromFractions(fraction, KXV_SPACE_MAG).y, 50);
  // Scene-relative pixels count from the scene's corner, here (0.2, 0.2).
  ASSERT_TRUE(nav.SetScene(KxvRect{100, 50, 200, 100}, KXV_SPACE_MAG));
  EXPECT_DOUBLE_EQ(nav.FromFractions(fraction, KXV_SPACE_SCENE).x, 25);
  EXPECT_DOUBLE_EQ(nav.ToFractions(KxvPoint{0, 0}, KXV_SPACE_SCENE).y, 0.2);
  // Centre anchor: the same pixel size around the same image point.
  ASSERT_TRUE(nav.SetMag(1.0, KXV_SPACE_SCENE, KXV_OCTAVE_THRESHOLD));
  ExpectRect(nav.GetScene(KXV_SPACE_MAG, false), 300, 150, 200, 100);
  // Pixel anchor: the same rectangle in pixels now covers more of the image.
  ASSERT_TRUE(nav.SetMag(0.25, KXV_SPACE_MAG, KXV_OCTAVE_THRESHOLD));
  ExpectRect(nav.GetScene(KXV_SPACE_IMAGE, false), 1200, 600, 800, 400);
}

// The corner rounds up to a whole pixel and the far edges stay, in the scene and in a buffer.
TEST(NavigatorSnapping, SceneSnapsToWholePixelsKeepingFarEdges) {
  KxvNavigator nav = NavigatorOver(100, 100, kAnywhere, 1.0, 1.0);
  ASSERT_TRUE(nav.SetScene(KxvRect{10.4, 5.6, 20.3, 10.2}, KXV_SPACE_MAG));
  ExpectRect(nav.GetScene(KXV_SPACE_MAG, true), 11, 6, 20, 10);
  ExpectRect(nav.GetScene(KXV_SPACE_FRACTION, true), 0.104, 0.056, 0.203, 0.102);
  DecodeBuffer buffer;
  nav.GetSceneInto(buffer, KXV_SPACE_MAG, true);
  EXPECT_EQ(buffer.scene.ulx, 11);
}

// Octave sources snap to the nearest octave inside the range, others clamp or stay at 1.
TEST(NavigatorSnapping, MagnificationsSnapOrClampByCapability) {
  // Flags, top of the range, requested magnification, magnification reached.
  const std::tuple<uint32_t, double, double, double> cases[] = {
      {KX_CAP_POW2_MAG, 1.0, 0.3, 0.25},  {KX_CAP_POW2_MAG, 1.0, 0.36, 0.5}, {KX_CAP_POW2_MAG, 1.0, 0.05, 0.125},
      {KX_CAP_POW2_MAG, 1.0, 4.0, 1.0},   {KX_CAP_POW2_MAG, 0.3, 1.0, 0.25}, {KX_CAP_ANY_MAG, 1.0, 0.3, 0.3},
      {KX_CAP_ANY_MAG, 1.0, 0.01, 0.125}, {KX_CAP_ANY_MAG, 1.0, 4.0, 1.0},   {0, 1.0, 0.3, 1.0},
      {KX_CAP_ANY_MAG, kNaN, 3.0, 3.0},
  };
  for (const auto& [flags, maxMag, requested, reached] : cases) {
    KxvNavigator nav = NavigatorOver(1000, 500, flags, 0.125, maxMag);
    nav.SetMag(1.0, KXV_SPACE_FRACTION, KXV_OCTAVE_THRESHOLD);
    EXPECT_TRUE(nav.SetMag(requested, KXV_SPACE_FRACTION, KXV_OCTAVE_THRESHOLD));
    EXPECT_DOUBLE_EQ(nav.GetMag(), reached) << "flags " << flags << " max " << maxMag << " requested " << requested;
  }
}

// Scenes are cut to the image unless the source accepts scenes outside it.
TEST(NavigatorClipping, ScenesAreCutToTheImageUnlessOutsideIsAccepted) {
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

// Bad numbers, unknown spaces, empty rectangles and zero extents change nothing.
TEST(NavigatorBadInput, RefusedNumbersLeaveTheStateAlone) {
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
  // A zero-width image maps every column to fraction 0; rounding up to an octave must not overflow.
  EXPECT_EQ(NavigatorOver(0, 500, kPartialAnyMag, 0.125, 1.0).ToFractions(KxvPoint{250, 100}, KXV_SPACE_MAG).x, 0);
  KxvNavigator octaves = NavigatorOver(1000, 500, KX_CAP_POW2_MAG, 0.0, 0.0);
  EXPECT_FALSE(octaves.SetMag(1.7e308, KXV_SPACE_FRACTION, KXV_OCTAVE_THRESHOLD));
}

// Map rectangles run in either axis direction; unusable domains are refused.
TEST(GeoNavigatorAxes, MapRectanglesRunInEitherAxisDirection) {
  KxvGeoNavigator northUp = NavigatorOver<KxvGeoNavigator>(1000, 500, kPartialAnyMag, 0.125, 1.0);
  KxvGeoNavigator southUp = northUp;
  ASSERT_TRUE(northUp.SetGeoDomain(GeoDomain{0, 500, 1, -1}));
  ASSERT_TRUE(southUp.SetGeoDomain(GeoDomain{0, 0, 1, 1}));
  ASSERT_TRUE(northUp.SetScene(KxvRect{100, 400, 50, 100}, KXV_SPACE_MAP));
  ASSERT_TRUE(southUp.SetScene(KxvRect{100, 100, 50, 100}, KXV_SPACE_MAP));
  ExpectRect(northUp.GetScene(KXV_SPACE_FRACTION, false), 0.1, 0.2, 0.05, 0.2);
  ExpectRect(southUp.GetScene(KXV_SPACE_FRACTION, false), 0.1, 0.2, 0.05, 0.2);
  ExpectRect(northUp.GetScene(KXV_SPACE_MAP, false), 100, 400, 50, 100);

  // Zero resolution puts every map point at the origin: a map rectangle has no area to fit.
  EXPECT_FALSE(southUp.SetGeoDomain(GeoDomain{0, 0, kInf, 1}));
  ASSERT_TRUE(southUp.SetGeoDomain(GeoDomain{}));
  EXPECT_EQ(southUp.ToFractions(KxvPoint{500, 500}, KXV_SPACE_MAP).y, 0);
  EXPECT_FALSE(southUp.FitMap(GeoDomain{0, 0, 100, 100}));
  EXPECT_DOUBLE_EQ(southUp.GetMag(), 0.125);
}

}  // namespace
}  // namespace Kelvane
