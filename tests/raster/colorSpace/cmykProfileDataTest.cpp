// The generated CMYK profile: the values the colorimetric path is pinned to
// (telling grid nodes, the first curve entries), the shape the lookup relies
// on (rising curves, index-6 nodes repeating index 5) and more ink never
// lightening a colour.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "raster/colorSpace/cmykProfileData.h"

namespace Kelvane {
namespace {

const uint16_t* node(int c, int m, int y, int k) { return kCmykGridNodes[((c * 7 + m) * 7 + y) * 7 + k]; }

std::array<uint16_t, 3> at(int c, int m, int y, int k) {
  const uint16_t* n = node(c, m, y, k);
  return {n[0], n[1], n[2]};
}

TEST(CmykProfileData, TellingNodesHoldTheMeasuredLab) {
  EXPECT_EQ(at(0, 0, 0, 0), (std::array<uint16_t, 3>{65280, 32768, 32768}));  // paper
  EXPECT_EQ(at(0, 0, 0, 5), (std::array<uint16_t, 3>{0, 32768, 32768}));      // black
  EXPECT_EQ(at(5, 0, 0, 0), (std::array<uint16_t, 3>{40704, 24832, 20480}));  // cyan
  EXPECT_EQ(at(0, 5, 0, 0), (std::array<uint16_t, 3>{31232, 54016, 32000}));  // magenta
  EXPECT_EQ(at(0, 0, 5, 0), (std::array<uint16_t, 3>{61440, 29184, 58368}));  // yellow
}

TEST(CmykProfileData, CurvesStartWithTheMeasuredStepsAndRiseToFull) {
  const uint16_t cyanStart[5] = {0, 194, 390, 584, 780};
  const uint16_t otherStart[5] = {0, 170, 340, 512, 682};
  for (int x = 0; x < 5; ++x) {
    EXPECT_EQ(kCmykInputCurves[x][0], cyanStart[x]);
    for (int ink = 1; ink < 4; ++ink) EXPECT_EQ(kCmykInputCurves[x][ink], otherStart[x]);
  }
  for (int ink = 0; ink < 4; ++ink) {
    EXPECT_EQ(kCmykInputCurves[255][ink], 65535);
    for (int x = 1; x < 256; ++x) ASSERT_GT(kCmykInputCurves[x][ink], kCmykInputCurves[x - 1][ink]) << ink << " " << x;
  }
  for (int x = 0; x < 256; ++x) {
    EXPECT_EQ(kCmykInputCurves[x][2], kCmykInputCurves[x][1]);
    EXPECT_EQ(kCmykInputCurves[x][3], kCmykInputCurves[x][1]);
  }
}

TEST(CmykProfileData, IndexSixNodesRepeatIndexFive) {
  for (int n = 0; n < 2401; ++n) {
    int index[4] = {n / 343, n / 49 % 7, n / 7 % 7, n % 7};
    for (int& i : index) i = i > 5 ? 5 : i;
    ASSERT_EQ(at(n / 343, n / 49 % 7, n / 7 % 7, n % 7), at(index[0], index[1], index[2], index[3])) << n;
  }
}

// Along every axis of every cell, more ink never lightens; with rising
// curves, neither does more of one ink through the lookup.
TEST(CmykProfileData, LightnessFallsAsAnyInkRises) {
  for (int n = 0; n < 6 * 6 * 6 * 6; ++n) {
    const int index[4] = {n / 216, n / 36 % 6, n / 6 % 6, n % 6};
    for (int ink = 0; ink < 4; ++ink) {
      int next[4] = {index[0], index[1], index[2], index[3]};
      ++next[ink];
      ASSERT_LE(node(next[0], next[1], next[2], next[3])[0], node(index[0], index[1], index[2], index[3])[0]);
    }
  }
}

}  // namespace
}  // namespace Kelvane
