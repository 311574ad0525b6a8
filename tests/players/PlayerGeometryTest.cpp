// Window rectangles and the player-area limit: plain integer arithmetic.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "PlayerWindow/PlayerGeometry.h"

namespace {

using playergeometry::Rect;

void ExpectRect(const Rect& expected, const Rect& actual) {
  EXPECT_EQ(expected.left, actual.left);
  EXPECT_EQ(expected.top, actual.top);
  EXPECT_EQ(expected.right, actual.right);
  EXPECT_EQ(expected.bottom, actual.bottom);
}

struct AreaCase {
  int32_t width, height;
  Rect area;
};

TEST(PlayerGeometry, PlayerAreaIsCutToTheLimitAndCentred) {
  const AreaCase cases[] = {
      {800, 600, {0, 0, 800, 600}},
      {2000, 900, {360, 0, 1640, 900}},
      {1283, 1500, {1, 110, 1282, 1390}},  // odd excess leaves 1281 wide
      {1280, 1280, {0, 0, 1280, 1280}},
      {1281, 1282, {0, 1, 1281, 1281}},
      {0, 0, {0, 0, 0, 0}},
      {5000, 3, {1860, 0, 3140, 3}},
  };
  for (const AreaCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
    ExpectRect(c.area, playergeometry::PlayerArea(c.width, c.height));
  }
}

TEST(PlayerGeometry, WindowRectIsTheDeviceRectRelativeToTheAperture) {
  ExpectRect({90, 170, 290, 320},
             playergeometry::WindowRectInView({100, 200, 300, 350}, {10, 30, 810, 630}));
  ExpectRect({-50, -20, 150, 130},
             playergeometry::WindowRectInView({-40, 10, 160, 160}, {10, 30, 810, 630}));
}

TEST(PlayerGeometry, HostileCoordinatesSaturateInsteadOfWrapping) {
  const int32_t max = std::numeric_limits<int32_t>::max();
  const int32_t min = std::numeric_limits<int32_t>::min();
  const Rect r = playergeometry::WindowRectInView({min, max, max, min}, {1, -1, 0, 0});
  EXPECT_EQ(min, r.left);
  EXPECT_EQ(max, r.top);
  EXPECT_EQ(max - 1, r.right);
  EXPECT_EQ(min + 1, r.bottom);
  EXPECT_EQ(max, playergeometry::Extent(min, max));
  EXPECT_EQ(min, playergeometry::Extent(max, -2));
}

}  // namespace
