#include <gtest/gtest.h>

#include "resources/icon.h"

namespace mirvo::icon {
namespace {

struct Pixel {
  int r, g, b, a;
};

Pixel At(const std::vector<std::uint8_t>& rgba, int size, int x, int y) {
  const std::size_t i = (static_cast<std::size_t>(y) * size + x) * 4;
  return {rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]};
}

// The pixel under a point of the 40-unit grid the picture is described in.
Pixel AtUnits(const std::vector<std::uint8_t>& rgba, int size, double x, double y) {
  return At(rgba, size, static_cast<int>(x * size / kIconSize),
            static_cast<int>(y * size / kIconSize));
}

TEST(Icon, DrawnAtEveryLauncherSizeWithItsShapesInPlace) {
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    SCOPED_TRACE(size);
    const std::vector<std::uint8_t> rgba = IconRgbaAt(size);
    ASSERT_EQ(rgba.size(), static_cast<std::size_t>(size * size * 4));
    // Outside the rounded corners nothing is drawn (a corner pixel of a small size is touched
    // only by the curve); the square itself is opaque.
    for (auto [x, y] : {std::pair{0, 0}, {size - 1, 0}, {0, size - 1}, {size - 1, size - 1}}) {
      EXPECT_LT(At(rgba, size, x, y).a, 16);
    }
    EXPECT_EQ(AtUnits(rgba, size, 20, 35).a, 255);
    EXPECT_EQ(AtUnits(rgba, size, 20, 2).a, 255);
    // The white push arrow above the orange pull arrow, on the blue ground.
    const Pixel push = AtUnits(rgba, size, 28, 14);
    EXPECT_TRUE(push.r == 255 && push.g == 255 && push.b == 255 && push.a == 255);
    const Pixel pull = AtUnits(rgba, size, 12, 26);
    EXPECT_TRUE(pull.r == 255 && pull.g == 178 && pull.b == 40 && pull.a == 255);
    const Pixel ground = AtUnits(rgba, size, 20, 36);
    EXPECT_LT(ground.r, 60);
    EXPECT_GT(ground.b, 100);
  }
}

TEST(Icon, LargeSizesHaveSharpEdgesNotAStretchOfFortyPixels) {
  // Down the column through the push arrow's shaft (from y 12 to 16 of 40): at 256 pixels each
  // edge falls inside one pixel, where a stretch of the 40-pixel picture would blur six.
  constexpr int size = 256;
  const std::vector<std::uint8_t> rgba = IconRgbaAt(size);
  const int x = 16 * size / kIconSize;
  int between = 0, white = 0;
  for (int y = 10 * size / kIconSize; y < 18 * size / kIconSize; ++y) {
    const Pixel p = At(rgba, size, x, y);
    if (p.r == 255) {
      ++white;
    } else if (p.r > 60) {
      ++between;
    }
  }
  EXPECT_EQ(white, 25);  // 4 units at 6.4 pixels a unit
  EXPECT_LE(between, 2);
}

}  // namespace
}  // namespace mirvo::icon
